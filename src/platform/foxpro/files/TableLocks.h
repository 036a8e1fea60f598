#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/foxpro/files/FileIo.h"

namespace foxpro {

/// Bytes [offset, offset + length) of a file.
struct LockRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  bool operator==(const LockRange&) const = default;
};

/// Where Visual FoxPro locks a table (.dbf, .dbc): it places its locks by whether the table
/// has a structural index (header flag 0x01).
struct TableLockScheme {
  bool indexed = false;

  /// Taken for an APPEND and for every change of the header.
  LockRange Header() const;
  /// FLOCK(): covers every record's RLOCK() (a table with a structural index locks record n
  /// at 0x7FFFFFFE - n, one without at 0x40000000 plus the record's offset in the file).
  LockRange WholeTable() const;
  /// What this engine's writers hold: the header lock and FLOCK() at once, one range.
  LockRange Writer() const;
};

/// The scheme of the table open in file, from its header's flags.
TableLockScheme LockSchemeOf(File& table);

/// Takes the table's writer lock without waiting; false while another program (Visual
/// FoxPro, another run of this one) holds a header, record or file lock of the table.
bool TryLockTable(File& table);

/// Takes the table's writer lock, waiting up to timeoutSeconds (0: without limit) for the
/// holder to let go; throws ado::Failure "File <path> is in use ..." when it does not.
void LockTable(File& table, long timeoutSeconds);

/// Opens path for writing and takes its writer lock (LockTable), for a change that must not
/// meet another writer (deleting the file). A file this program cannot open for writing
/// gives nullptr: none of our writers can be appending to it then.
std::unique_ptr<File> OpenLocked(FileSystem& fs, const std::string& path, long timeoutSeconds);

}  // namespace foxpro
