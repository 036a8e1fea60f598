#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Value.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/DbfHeader.h"
#include "platform/foxpro/tables/FieldEncoding.h"

namespace foxpro {

class CdxStructuralIndex;
class MemoWriter;

/// A field of a table to create. Types: C, V, Q, N, F, I, B, Y, D, T, L, M, G, W. Lengths of
/// fixed-size types are implied; C/V/Q need 1-254, N/F 1-20.
struct NewField {
  std::string name;  ///< at most 10 characters; stored upper case
  char type = 'C';
  int length = 0;
  int decimals = 0;
  bool nullable = false;
  bool binary = false;         ///< NOCPTRANS (C, V, M)
  bool autoIncrement = false;  ///< I only
  std::int64_t autoIncrementNext = 1;
  int autoIncrementStep = 1;
};

struct CreateOptions {
  std::string backlink;              ///< relative .dbc path when the table belongs to a container
  std::uint8_t codePageMark = 0x03;  ///< cp1252
  std::uint32_t memoBlockSize = 64;
  bool database = false;  ///< a .dbc itself: flags 0x07, memo in .dct
};

/// Creates an empty Visual FoxPro table (version 0x30/0x31/0x32) and, when it has memo fields,
/// a fresh .fpt. Throws "File <path> already exists" when the .dbf exists.
void CreateVfpTable(const std::string& dbfPath, const std::vector<NewField>& fields, const CreateOptions& options = {},
                    FileSystem& fs = DiskFileSystem());

/// Throws what CreateVfpTable throws for these fields (a field it cannot make, a record too
/// large, too many fields), creating nothing.
void CheckVfpTableFields(const std::string& dbfPath, const std::vector<NewField>& fields);

/// Appends records to a Visual FoxPro table. Crash-safe order per record: memo blocks, then the
/// record, then the header's count and date, then the end-of-file marker.
class DbfAppender {
 public:
  /// Holds the table's exclusive lock until it is closed or destroyed, so that no other
  /// writer appends at the same count; waits up to lockTimeoutSeconds for another writer.
  /// Fails, changing nothing, when the file holds more records than its header counts.
  /// unmarkedCodePage: what a table without a code page mark is written in.
  static std::unique_ptr<DbfAppender> Open(const std::string& dbfPath, FileSystem& fs = DiskFileSystem(),
                                           long lockTimeoutSeconds = kDefaultLockTimeoutSeconds,
                                           int unmarkedCodePage = kOemDefaultCodePage);
  ~DbfAppender();

  const std::vector<DbfField>& Fields() const { return visible_; }
  std::uint32_t RecordCount() const { return header_.recordCount; }

  /// One text (UTF-8) per visible field. C/V/M: text, encoded in the table's code page;
  /// W/G/Q and binary fields: bytes, one per character (code points <= 255); N/F/I/B/Y: a
  /// number; D: yyyy-mm-dd or yyyymmdd; T: "yyyy-mm-dd hh:mm:ss"; L: T/F/Y/N/true/false.
  /// Empty text stores a blank value. A value the table cannot hold throws ado::Failure and
  /// nothing of the row is stored.
  void Append(const std::vector<std::string>& texts);
  /// The same, where isNull marks the values given as NULL: a field that allows NULL gets
  /// NULL, any other field the blank that empty text gives.
  void Append(const std::vector<std::string>& texts, const std::vector<bool>& isNull);
  /// One value per visible field; returns the new record's number. Null stores NULL (the
  /// field must allow it, else blank for an autoincrement field's next value).
  std::uint32_t AppendValues(const std::vector<ado::Value>& values);
  /// AppendValues in two steps, for callers whose values are not in a vector: PrepareRecord
  /// encodes one value per visible field (valueAt(i) for field i) and throws ado::Failure for
  /// a value the table cannot hold or a key its primary or candidate tag holds already,
  /// having written nothing; WritePreparedRecord then stores the
  /// record (every record passes through it) and returns its number.
  void PrepareRecord(const std::function<const ado::Value&(std::size_t)>& valueAt);
  std::uint32_t WritePreparedRecord();
  /// Sets the deletion flag of record recno (1-based).
  void MarkDeleted(std::uint32_t recno);
  /// Writes the table's structural index anew when rows were added since the last time.
  /// Every statement (and every array of rows) ends with it; Close does it too.
  void FlushIndex();
  /// Pushes both files to the disk. Every append is whole on its own (the end-of-file marker
  /// travels with each record), so an appender dropped without Close loses only the sync.
  void Close();

 private:
  DbfAppender() = default;
  void CheckValueCount(std::size_t count) const;
  /// The header's own descriptor of a visible field (it holds the autoincrement counter).
  const DbfField& StoredField(const DbfField& visible) const;
  std::uint32_t WriteRow(const std::vector<std::uint8_t>& nullFlags,
                         std::vector<std::pair<const DbfField*, std::string>>& memos);
  void WriteCountAndDate();

  std::string path_;
  std::unique_ptr<File> file_;
  std::unique_ptr<MemoWriter> memo_;
  std::unique_ptr<FieldEncoder> encoder_;
  std::unique_ptr<CdxStructuralIndex> index_;  // null when the table has no structural index
  DbfHeader header_;
  std::vector<DbfField> visible_;
  std::vector<std::uint8_t> record_;
  std::vector<bool> noNulls_;
  // Kept between rows: no allocation per row.
  std::vector<ado::Value> values_;
  RecordExtras extras_;
  bool closed_ = false;
};

/// Rewrites the 263-byte backlink of a VFP table (empty text zeroes it: the table becomes free).
void SetBacklink(const std::string& dbfPath, const std::string& backlink, FileSystem& fs = DiskFileSystem());

}  // namespace foxpro
