#include "platform/foxpro/tables/DbfWriter.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/TableLocks.h"
#include "platform/foxpro/indexes/CdxStructuralIndex.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/FieldEncoding.h"
#include "platform/foxpro/tables/FieldTypes.h"
#include "platform/foxpro/tables/MemoFile.h"
#include "platform/foxpro/tables/TextValues.h"

namespace foxpro {
namespace {

constexpr int kMaxRecordLength = 65500;

void Today(int& year, int& month, int& day) {
  const ado::Date today = LocalToday();
  year = today.year;
  month = today.month;
  day = today.day;
}

void RemoveQuietly(FileSystem& fs, const std::string& path) {
  try {
    fs.Remove(path);
  } catch (const ado::Failure&) {
    // The failure that led here is the one to report.
  }
}

// The header of a new table, every field checked against FoxPro's limits: the one place
// that knows them, for the table made and for a plan that only asks.
DbfHeader NewTableHeader(const std::string& dbfPath, const std::vector<NewField>& newFields,
                         const CreateOptions& options) {
  if (newFields.empty()) throw ado::Failure("Table " + dbfPath + " needs at least one field.");

  DbfHeader h;
  bool hasVarying = false, hasAutoIncrement = false, hasMemo = false, needsNullFlags = false;
  std::set<std::string> names;
  int offset = 1;
  for (const auto& nf : newFields) {
    DbfField f;
    f.name = nf.name;
    std::transform(f.name.begin(), f.name.end(), f.name.begin(), [](unsigned char c) { return std::toupper(c); });
    if (f.name.empty() || f.name.size() > 10 || !names.insert(f.name).second)
      throw ado::Failure("Field name is a duplicate or invalid: " + nf.name);
    f.type = static_cast<char>(std::toupper(static_cast<unsigned char>(nf.type)));
    auto invalidWidth = [&] { throw ado::Failure("Field " + f.name + " has an invalid width or number of decimals."); };
    // Types without a declared width have the one length the format gives them.
    if (const FieldType* known = FindFieldType(f.type); known != nullptr && !known->declaredWidth)
      f.length = known->recordLength;
    switch (f.type) {
      case 'C':
      case 'V':
      case 'Q':
        if (nf.length < 1 || nf.length > 254) invalidWidth();
        f.length = nf.length;
        if (f.type == 'Q' || nf.binary) f.flags |= kFieldBinary;
        hasVarying = hasVarying || f.type != 'C';
        needsNullFlags = needsNullFlags || f.type != 'C';
        break;
      case 'N':
      case 'F':
        if (nf.length < 1 || nf.length > 20 || nf.decimals < 0 || (nf.decimals > 0 && nf.decimals > nf.length - 2))
          invalidWidth();
        f.length = nf.length;
        f.decimals = nf.decimals;
        break;
      case 'I':
        f.flags |= kFieldBinary;
        if (nf.autoIncrement) {
          if (nf.autoIncrementStep < 1 || nf.autoIncrementStep > 255 || nf.autoIncrementNext < -2147483647 ||
              nf.autoIncrementNext > 2147483647)
            throw ado::Failure("Field " + f.name + " has an invalid autoincrement next value or step.");
          f.flags |= kFieldAutoIncrement;
          f.autoIncrementNext = static_cast<std::uint32_t>(static_cast<std::int32_t>(nf.autoIncrementNext));
          f.autoIncrementStep = static_cast<std::uint8_t>(nf.autoIncrementStep);
          hasAutoIncrement = true;
        }
        break;
      case 'B':
        f.decimals = std::clamp(nf.decimals, 0, 18);
        f.flags |= kFieldBinary;
        break;
      case 'Y':
        f.decimals = 4;
        f.flags |= kFieldBinary;
        break;
      case 'T':
        f.flags |= kFieldBinary;
        break;
      case 'D':
      case 'L':
        break;
      case 'M':
        if (nf.binary) f.flags |= kFieldBinary;
        hasMemo = true;
        break;
      case 'G':
        hasMemo = true;
        break;
      case 'W':
        f.flags |= kFieldBinary;
        hasMemo = true;
        hasVarying = true;
        break;
      default:
        throw ado::Failure("Field " + f.name + " has an unknown type " + std::string(1, f.type) + ".");
    }
    if (nf.nullable) {
      f.flags |= kFieldNullable;
      needsNullFlags = true;
    }
    f.offset = offset;
    offset += f.length;
    h.fields.push_back(f);
  }
  if (needsNullFlags) {
    AssignNullBits(h.fields);
    int bits = 0;
    for (const auto& f : h.fields) bits = std::max({bits, f.nullBit + 1, f.lengthBit + 1});
    DbfField flags;
    flags.name = "_NullFlags";
    flags.type = '0';
    flags.length = (bits + 7) / 8;
    flags.flags = kFieldSystem | kFieldBinary;
    flags.offset = offset;
    offset += flags.length;
    h.fields.push_back(flags);
  }
  if (offset > kMaxRecordLength) throw ado::Failure("Record is too large for table " + dbfPath + ".");
  if (h.fields.size() > 255) throw ado::Failure("Too many fields for table " + dbfPath + ".");

  h.version = hasVarying ? 0x32 : hasAutoIncrement ? 0x31 : 0x30;
  int year = 0;
  Today(year, h.updateMonth, h.updateDay);
  h.updateYear = year % 100;
  h.recordLength = static_cast<std::uint16_t>(offset);
  // A container always has its structural index (.dcx), which its writer builds next.
  h.tableFlags = static_cast<std::uint8_t>((hasMemo ? kTableHasMemo : 0) |
                                           (options.database ? kTableIsDatabase | kTableHasCdx : 0));
  h.codePageMark = options.codePageMark;
  h.backlink = options.backlink;
  return h;
}

}  // namespace

void CheckVfpTableFields(const std::string& dbfPath, const std::vector<NewField>& fields) {
  NewTableHeader(dbfPath, fields, CreateOptions());
}

void CreateVfpTable(const std::string& dbfPath, const std::vector<NewField>& newFields, const CreateOptions& options,
                    FileSystem& fs) {
  if (!fs.FindIgnoringCase(dbfPath).empty()) throw ado::Failure("File " + dbfPath + " already exists");
  const DbfHeader h = NewTableHeader(dbfPath, newFields, options);
  const bool hasMemo = (h.tableFlags & kTableHasMemo) != 0;
  std::vector<std::uint8_t> bytes = WriteDbfHeader(h);
  bytes.push_back(0x1A);

  // The memo file comes first: a table whose header exists always finds its memo file.
  std::string memoPath;
  if (hasMemo) {
    std::string extension = options.database ? ".dct" : ".fpt";
    std::size_t dot = dbfPath.find_last_of('.');
    bool upper = dot != std::string::npos && dot + 1 < dbfPath.size() &&
                 std::all_of(dbfPath.begin() + static_cast<std::ptrdiff_t>(dot) + 1, dbfPath.end(),
                             [](unsigned char c) { return std::isupper(c) != 0; });
    if (upper)
      std::transform(extension.begin(), extension.end(), extension.begin(),
                     [](unsigned char c) { return std::toupper(c); });
    memoPath = ReplaceExtension(dbfPath, extension);
  }
  // A failed creation (a full disk) takes away what it made: an empty or half-written .dbf
  // would list as a table, read as damaged and block the next CREATE of that name.
  std::unique_ptr<File> file;
  try {
    if (!memoPath.empty()) MemoWriter::Create(fs, memoPath, options.memoBlockSize);
    file = fs.Open(dbfPath, OpenMode::CreateNew);
  } catch (const ado::Failure&) {
    if (!memoPath.empty()) RemoveQuietly(fs, memoPath);
    throw;
  }
  try {
    file->WriteAt(0, bytes.data(), bytes.size());
    file->Sync();
  } catch (const ado::Failure&) {
    file.reset();
    RemoveQuietly(fs, dbfPath);
    if (!memoPath.empty()) RemoveQuietly(fs, memoPath);
    throw;
  }
}

DbfAppender::~DbfAppender() = default;

std::unique_ptr<DbfAppender> DbfAppender::Open(const std::string& dbfPath, FileSystem& fs, long lockTimeoutSeconds,
                                               int unmarkedCodePage) {
  std::string path = fs.FindIgnoringCase(dbfPath);
  if (path.empty()) throw ado::Failure("File " + dbfPath + " does not exist.");
  std::unique_ptr<DbfAppender> a(new DbfAppender);
  a->path_ = path;
  a->file_ = fs.Open(path, OpenMode::ReadWrite);
  // The count, the memo file's next free block and the tail are read under the lock: another
  // writer may have moved them on until the moment it let go.
  LockTable(*a->file_, lockTimeoutSeconds);
  a->header_ = ReadDbfHeader(*a->file_);
  // Fixed-size fields must have their size: the encoders write exactly that many bytes.
  for (auto& f : a->header_.fields) {
    if (f.type != 'I') f.flags &= static_cast<std::uint8_t>(~kFieldAutoIncrement);
    const bool sizeOk = f.type == 'I'                                                        ? f.length == 4
                        : (f.type == 'B' || f.type == 'Y' || f.type == 'T' || f.type == 'D') ? f.length == 8
                        : IsMemoType(f.type) ? (f.length == 4 || f.length == 10)
                                             : true;
    if (!sizeOk)
      throw ado::Failure("Cannot append to table " + path + ": field " + f.name + " has the impossible length " +
                         std::to_string(f.length) + ".");
  }
  a->visible_ = a->header_.VisibleFields();
  // Every tag of a structural index gets the keys of the new rows: none goes stale.
  const bool foxPro = IsVfpVersion(a->header_.version) || a->header_.version == 0xF5;
  if (foxPro && (a->header_.tableFlags & 0x01) != 0) {
    a->index_ = CdxStructuralIndex::OpenForAppend(path, a->header_, *a->file_, fs);
  }
  if (a->header_.HasMemoFields()) {
    if (UsesDbtMemo(a->header_.version))
      throw ado::Failure("Cannot append to table " + path + ": dBase memo files are not supported.");
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    bool database = lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".dbc") == 0;
    std::string wanted = ReplaceExtension(path, database ? ".dct" : ".fpt");
    std::string memoPath = fs.FindIgnoringCase(wanted);
    if (memoPath.empty()) throw ado::Failure("Memo file " + wanted + " is missing or is invalid.");
    a->memo_ = std::make_unique<MemoWriter>(fs.Open(memoPath, OpenMode::ReadWrite));
  }
  a->header_.textCodePage = CodePageForMark(a->header_.codePageMark, unmarkedCodePage);
  a->encoder_ = std::make_unique<FieldEncoder>(TextCodec::ForCodePage(a->header_.textCodePage));
  int year = 0;
  Today(year, a->header_.updateMonth, a->header_.updateDay);
  a->header_.updateYear = IsVfpVersion(a->header_.version) ? year % 100 : year - 1900;
  a->record_.resize(a->header_.recordLength + 1u);
  // A writer killed between a record and the count leaves bytes past the counted records;
  // VFP checks the file length against the count on open, so cut them off now.
  const std::uint64_t end = a->header_.headerLength + std::uint64_t{a->header_.recordCount} * a->header_.recordLength;
  if (a->file_->Size() > end + 1) {
    a->file_->Truncate(end);
    const std::uint8_t eof = 0x1A;
    a->file_->WriteAt(end, &eof, 1);
  }
  return a;
}

void DbfAppender::Append(const std::vector<std::string>& texts) {
  noNulls_.assign(texts.size(), false);  // kept between rows: no allocation per row
  Append(texts, noNulls_);
}

void DbfAppender::Append(const std::vector<std::string>& texts, const std::vector<bool>& isNull) {
  CheckValueCount(texts.size());
  if (isNull.size() != texts.size()) CheckValueCount(isNull.size());
  values_.resize(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const DbfField& f = visible_[i];
    if (isNull[i] && f.IsNullable() && !f.IsAutoIncrement()) {
      values_[i] = ado::Null{};
    } else if (texts[i].empty() && f.IsAutoIncrement()) {
      values_[i] = ado::Null{};
    } else {
      values_[i] = ValueFromText(f, texts[i]);
      // A blank number or date goes in as a blank, even where the field allows NULL.
      if (values_[i].IsNull() && !f.IsAutoIncrement()) values_[i] = std::string();
    }
  }
  AppendValues(values_);
}

void DbfAppender::CheckValueCount(std::size_t count) const {
  if (count != visible_.size())
    throw ado::Failure("Table " + path_ + " has " + std::to_string(visible_.size()) + " fields but " +
                       std::to_string(count) + " values were given.");
}

std::uint32_t DbfAppender::AppendValues(const std::vector<ado::Value>& values) {
  CheckValueCount(values.size());
  PrepareRecord([&](std::size_t i) -> const ado::Value& { return values[i]; });
  return WritePreparedRecord();
}

void DbfAppender::PrepareRecord(const std::function<const ado::Value&(std::size_t)>& valueAt) {
  std::fill(record_.begin(), record_.end(), ' ');
  extras_.Reset(header_.nullFlagsLength);
  for (std::size_t i = 0; i < visible_.size(); ++i) {
    const DbfField& f = visible_[i];
    const ado::Value& value = valueAt(i);
    if (value.IsNull() && f.IsAutoIncrement()) {
      // The field takes its next value; the write moves the counter on.
      FieldEncoder::Blank(f, record_.data());
      PutLe32(record_.data() + f.offset, StoredField(f).autoIncrementNext);
      continue;
    }
    encoder_->Encode(f, value, record_.data(), extras_);
  }
  if (index_) {
    // A key that a primary or candidate tag holds already refuses the row like a bad value.
    record_[0] = ' ';
    if (header_.nullFlagsOffset >= 0)
      std::copy(extras_.nullFlags.begin(), extras_.nullFlags.end(), record_.begin() + header_.nullFlagsOffset);
    index_->Check(record_.data());
  }
}

std::uint32_t DbfAppender::WritePreparedRecord() { return WriteRow(extras_.nullFlags, extras_.memos); }

const DbfField& DbfAppender::StoredField(const DbfField& visible) const {
  for (const auto& stored : header_.fields) {
    if (stored.offset == visible.offset) return stored;
  }
  return visible;
}

std::uint32_t DbfAppender::WriteRow(const std::vector<std::uint8_t>& nullFlags,
                                    std::vector<std::pair<const DbfField*, std::string>>& memos) {
  if (header_.recordCount >= 1000000000u) throw ado::Failure("Table " + path_ + " is full.");
  std::uint8_t* record = record_.data();
  record[0] = ' ';
  if (header_.nullFlagsOffset >= 0) std::memcpy(record + header_.nullFlagsOffset, nullFlags.data(), nullFlags.size());

  // Autoincrement fields that took their next value move it on by their step.
  std::vector<std::size_t> bumped;
  for (std::size_t i = 0; i < header_.fields.size(); ++i) {
    DbfField& f = header_.fields[i];
    if (!f.IsAutoIncrement()) continue;
    std::uint32_t stored = static_cast<std::uint32_t>(record[f.offset]) |
                           (static_cast<std::uint32_t>(record[f.offset + 1]) << 8) |
                           (static_cast<std::uint32_t>(record[f.offset + 2]) << 16) |
                           (static_cast<std::uint32_t>(record[f.offset + 3]) << 24);
    if (stored == f.autoIncrementNext) bumped.push_back(i);
  }

  // Memo blocks first, so that a record never points at blocks that are not there.
  if (!memos.empty()) {
    std::vector<MemoWriter::Value> values;
    values.reserve(memos.size());
    for (const auto& [field, bytes] : memos) values.push_back({field->type == 'G' ? kMemoObject : kMemoText, bytes});
    std::vector<std::uint32_t> blocks = memo_->AppendAll(values);
    for (std::size_t i = 0; i < memos.size(); ++i) {
      const DbfField& field = *memos[i].first;
      if (field.length == 4) {
        PutLe32(record + field.offset, blocks[i]);
      } else {
        // FoxPro 2 keeps the block number as right-aligned digits.
        std::string digits = std::to_string(blocks[i]);
        std::memcpy(record + field.offset + field.length - digits.size(), digits.data(), digits.size());
      }
    }
  }
  const std::uint64_t offset = header_.headerLength + std::uint64_t{header_.recordCount} * header_.recordLength;
  // The end-of-file marker travels with the record: one write, and the count still decides.
  record[header_.recordLength] = 0x1A;
  file_->WriteAt(offset, record, header_.recordLength + 1u);

  for (std::size_t i : bumped) {
    DbfField& f = header_.fields[i];
    f.autoIncrementNext += f.autoIncrementStep == 0 ? 1 : f.autoIncrementStep;
    std::uint8_t next[4];
    PutLe32(next, f.autoIncrementNext);
    file_->WriteAt(32 + 32 * i + 19, next, 4);
  }
  ++header_.recordCount;
  WriteCountAndDate();
  if (index_) index_->Add(record, header_.recordCount);
  return header_.recordCount;
}

void DbfAppender::WriteCountAndDate() {
  std::uint8_t bytes[7];
  bytes[0] = static_cast<std::uint8_t>(header_.updateYear);
  bytes[1] = static_cast<std::uint8_t>(header_.updateMonth);
  bytes[2] = static_cast<std::uint8_t>(header_.updateDay);
  PutLe32(bytes + 3, header_.recordCount);
  file_->WriteAt(1, bytes, sizeof bytes);
}

void DbfAppender::MarkDeleted(std::uint32_t recno) {
  if (recno < 1 || recno > header_.recordCount)
    throw ado::Failure("Record " + std::to_string(recno) + " is out of range in table " + path_ + ".");
  const std::uint8_t star = '*';
  file_->WriteAt(header_.headerLength + std::uint64_t{recno - 1} * header_.recordLength, &star, 1);
  if (index_) index_->Deleted(recno);
}

void DbfAppender::FlushIndex() {
  if (index_) index_->Flush();
}

void DbfAppender::Close() {
  if (closed_) return;
  closed_ = true;
  FlushIndex();
  if (memo_) memo_->Sync();
  file_->Sync();
}

void SetBacklink(const std::string& dbfPath, const std::string& backlink, FileSystem& fs) {
  std::string path = fs.FindIgnoringCase(dbfPath);
  if (path.empty()) throw ado::Failure("File " + dbfPath + " does not exist.");
  auto file = fs.Open(path, OpenMode::ReadWrite);
  DbfHeader h = ReadDbfHeader(*file);
  const std::size_t area = 32 + 32 * h.fields.size() + 1;
  if (!IsVfpVersion(h.version) || area + 263 > h.headerLength)
    throw ado::Failure("Table " + path + " has no container link.");
  if (backlink.size() > 262) throw ado::Failure("Container path " + backlink + " is too long.");
  std::vector<std::uint8_t> bytes(263, 0);
  std::memcpy(bytes.data(), backlink.data(), backlink.size());
  file->WriteAt(area, bytes.data(), bytes.size());
}

}  // namespace foxpro
