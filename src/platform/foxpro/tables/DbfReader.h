#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Value.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

class MemoReader;
class TextCodec;

/// Reads a FoxPro-family table (.dbf, .dbc, ...) and its memo companion (.fpt, .dbt; .dct for a
/// .dbc), found without regard to letter case. Values come out as the VFP OLE DB provider gave
/// them: C keeps its trailing blanks, N/F as exact Decimal text, D as Date, T as DateTime (with
/// its milliseconds exactly as stored), I as
/// int64, B as double, Y as Currency, L as bool, M as text (Bytes when binary), G/W/Q as Bytes;
/// NULL per _NullFlags; blank D/T as Null.
class DbfReader {
 public:
  /// Throws ado::Failure naming the file and the problem (missing, damaged, memo file missing).
  /// unmarkedCodePage: what a table without a code page mark is read in.
  static std::unique_ptr<DbfReader> Open(const std::string& dbfPath, FileSystem& fs = DiskFileSystem(),
                                         int unmarkedCodePage = kOemDefaultCodePage);
  ~DbfReader();

  const std::vector<DbfField>& Fields() const { return visible_; }  ///< no _NullFlags
  const DbfHeader& Header() const { return header_; }
  std::uint8_t Version() const { return header_.version; }
  std::uint8_t CodePageMark() const { return header_.codePageMark; }
  std::uint8_t TableFlags() const { return header_.tableFlags; }
  std::uint32_t RecordCount() const { return header_.recordCount; }
  int CodePage() const;
  std::string Backlink() const;  ///< trimmed; empty for a free table
  const std::string& Path() const { return path_; }
  const std::string& MemoPath() const;  ///< empty when the table has no memo file

  /// Next live record (deleted ones skipped); false at the end. row gets one value per field.
  bool Next(std::vector<ado::Value>& row);
  /// Next record whether deleted or not.
  bool NextRecord(std::vector<ado::Value>& row, bool& deleted);
  /// 1-based number of the record Next/NextRecord returned last (0 before the first).
  std::uint32_t RecordNumber() const { return current_; }
  /// Starts reading again from record 1.
  void Rewind();
  /// Reads record recno (1-based) directly; throws when it is out of range.
  void ReadRecord(std::uint32_t recno, std::vector<ado::Value>& row, bool* deleted = nullptr);
  /// The raw bytes of record recno, deletion flag first.
  std::vector<std::uint8_t> RawRecord(std::uint32_t recno);

 private:
  DbfReader() = default;
  const std::uint8_t* Record(std::uint32_t recno);
  void Decode(const std::uint8_t* record, std::vector<ado::Value>& row);
  void DecodeField(const DbfField& field, const std::uint8_t* record, ado::Value& out);
  void ReadMemo(const DbfField& field, const std::uint8_t* bytes, ado::Value& out);

  std::string path_;
  std::string memoPath_;
  std::unique_ptr<File> file_;
  std::unique_ptr<MemoReader> memo_;
  std::shared_ptr<const TextCodec> codec_;
  DbfHeader header_;
  std::vector<DbfField> visible_;
  std::uint32_t current_ = 0;
  // Records are read in blocks of many records to keep system calls rare.
  std::vector<std::uint8_t> block_;
  std::uint32_t blockFirst_ = 0;  // record number of the first record in block_
  std::uint32_t blockCount_ = 0;
};

}  // namespace foxpro
