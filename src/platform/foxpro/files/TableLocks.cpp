#include "platform/foxpro/files/TableLocks.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/ado/Failure.h"

namespace foxpro {
namespace {

// Lock positions as Visual FoxPro uses them (documented in Harbour's RDD sources,
// include/hbrdddbf.h and src/rdd/dbf1.c, lock scheme DB_DBFLOCK_VFP). Windows enforces
// byte-range locks against reads, so FoxPro locks bytes past any table's data (a table stays
// below 2 GiB; one without a structural index below 1 GiB): readers never meet the locks.
// A table with a structural index: the header lock at the base, records counting down from it.
constexpr std::uint64_t kIndexedBase = 0x7FFFFFFE;
constexpr std::uint64_t kIndexedFileLockLength = 0x07FFFFFF;
// A table without one: the header lock at the base, FLOCK() from the next byte, each record
// locked at the base plus the record's own offset in the file.
constexpr std::uint64_t kPlainBase = 0x40000000;
constexpr std::uint64_t kPlainFileLockLength = 0x3FFFFFFD;

// Byte 28 of a table's header holds its flags.
constexpr std::uint64_t kTableFlagsOffset = 28;
constexpr std::uint8_t kHasStructuralIndex = 0x01;

}  // namespace

LockRange TableLockScheme::Header() const { return {indexed ? kIndexedBase : kPlainBase, 1}; }

LockRange TableLockScheme::WholeTable() const {
  if (indexed) return {kIndexedBase - kIndexedFileLockLength, kIndexedFileLockLength};
  return {kPlainBase + 1, kPlainFileLockLength};
}

LockRange TableLockScheme::Writer() const {
  const LockRange header = Header();
  const LockRange table = WholeTable();
  const std::uint64_t start = std::min(header.offset, table.offset);
  const std::uint64_t end = std::max(header.offset + header.length, table.offset + table.length);
  return {start, end - start};
}

TableLockScheme LockSchemeOf(File& table) {
  // Read before the lock is held: a writer that adds the index meanwhile keeps the other
  // scheme's range, and the two writer ranges overlap, so writers still exclude each other.
  std::uint8_t flags = 0;
  table.ReadAt(kTableFlagsOffset, &flags, 1);  // a file too short to hold them has none
  return {(flags & kHasStructuralIndex) != 0};
}

bool TryLockTable(File& table) {
  const LockRange range = LockSchemeOf(table).Writer();
  return table.TryLockRange(range.offset, range.length);
}

void LockTable(File& table, long timeoutSeconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
  auto pause = std::chrono::milliseconds(1);
  while (!TryLockTable(table)) {
    if (timeoutSeconds > 0 && Clock::now() >= deadline) {
      throw ado::Failure("File " + table.Path() + " is in use by another program (still locked after " +
                         std::to_string(timeoutSeconds) + " seconds).");
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(50));
  }
}

std::unique_ptr<File> OpenLocked(FileSystem& fs, const std::string& path, long timeoutSeconds) {
  std::unique_ptr<File> file;
  try {
    file = fs.Open(path, OpenMode::ReadWrite);
  } catch (const ado::Failure&) {
    return nullptr;  // read-only or gone: the change that follows reports what it meets
  }
  LockTable(*file, timeoutSeconds);
  return file;
}

}  // namespace foxpro
