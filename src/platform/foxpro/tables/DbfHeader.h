#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace foxpro {

class File;

/// One field descriptor of a table (32 bytes at offset 32 + 32 x index).
struct DbfField {
  std::string name;
  char type = 'C';
  int length = 0;
  int decimals = 0;
  std::uint8_t flags = 0;
  int offset = 0;  ///< position of the field's first byte inside the record (deletion flag = 0)
  std::uint32_t autoIncrementNext = 0;
  std::uint8_t autoIncrementStep = 0;
  int nullBit = -1;    ///< bit in _NullFlags that marks NULL, -1 when not nullable
  int lengthBit = -1;  ///< V/Q only: bit in _NullFlags set when the value is shorter than the field

  /// Code the VFP OLE DB provider reports for this field's type.
  int AdoType() const;
  bool IsNullable() const { return nullBit >= 0; }
  bool IsBinary() const { return (flags & 0x04) != 0; }
  bool IsAutoIncrement() const { return (flags & 0x08) != 0; }
  bool IsSystem() const { return (flags & 0x01) != 0 || type == '0'; }
};

/// The table header, validated against the file's size.
struct DbfHeader {
  std::uint8_t version = 0x30;
  int updateYear = 0, updateMonth = 0, updateDay = 0;  // bytes 1-3 as stored
  std::uint32_t recordCount = 0;
  std::uint16_t headerLength = 0;
  std::uint16_t recordLength = 0;
  std::uint8_t tableFlags = 0;
  std::uint8_t codePageMark = 0;
  // The code page of its text, once a reader or appender has opened it: the mark's, or for a
  // table that marks none the one its opener was handed; 0 until then.
  int textCodePage = 0;
  std::vector<DbfField> fields;  ///< every descriptor, _NullFlags included
  int nullFlagsOffset = -1;      ///< record offset of _NullFlags, -1 when absent
  int nullFlagsLength = 0;
  std::string backlink;  ///< VFP: text of the 263-byte area up to its first NUL
  /// Whole records the file holds past the counted ones (an interrupted append leaves one).
  std::uint32_t uncountedRecords = 0;

  /// Visible fields: every field except _NullFlags (and other system fields).
  std::vector<DbfField> VisibleFields() const;
  bool HasMemoFields() const;
};

/// How many whole records past the counted ones a reader accepts. One is what our own
/// interrupted append can leave; more mean the count was lowered by someone else, and
/// appending at the count would overwrite real rows. A container's append adds one group of
/// records, which the container checks itself (Any).
enum class UncountedRecords { AtMostOne, Any };

/// Reads and validates the header of file (path names it in failures). Throws ado::Failure
/// "Table <path> is damaged: <problem>." for impossible lengths, descriptors past the header
/// or without their terminator, fields past the record, a record count the file cannot hold,
/// or more uncounted records than allowed.
DbfHeader ReadDbfHeader(File& file, UncountedRecords allowed = UncountedRecords::AtMostOne);

/// The failure for a file that holds more records than its header counts.
[[noreturn]] void ThrowUncountedRecords(const File& file, const DbfHeader& header);

/// Serializes a header (32 bytes, descriptors, 0x0D, and for VFP the 263-byte backlink).
std::vector<std::uint8_t> WriteDbfHeader(const DbfHeader& header);

/// Assigns _NullFlags bits for the nullable and V/Q fields (length bit first, then null bit).
void AssignNullBits(std::vector<DbfField>& fields);

}  // namespace foxpro
