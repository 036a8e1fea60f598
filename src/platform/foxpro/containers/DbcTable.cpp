#include "platform/foxpro/containers/DbcTable.h"

#include <ctime>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/MemoFile.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {
namespace {

std::int32_t Le32s(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                   (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24));
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::string TrimRight(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
  return text;
}

}  // namespace

std::map<int, std::string> ParseDbcProperties(std::string_view memo) {
  std::map<int, std::string> properties;
  std::size_t at = 0;
  while (memo.size() - at >= 7) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(memo.data() + at);
    const auto length = static_cast<std::uint32_t>(Le32s(p));
    if (length < 7 || length > memo.size() - at) break;
    properties[p[6]] = std::string(memo.substr(at + 7, length - 7));
    at += length;
  }
  return properties;
}

std::string EncodeDbcProperties(const std::vector<std::pair<std::uint8_t, std::string>>& properties) {
  std::string out;
  for (const auto& [id, value] : properties) {
    std::uint8_t head[7] = {0, 0, 0, 0, 0x01, 0x00, id};
    PutLe32(head, static_cast<std::uint32_t>(value.size() + 7));
    out.append(reinterpret_cast<const char*>(head), sizeof head);
    out += value;
  }
  return out;
}

std::string DbcPropertyText(const std::string& value) {
  const auto nul = value.find('\0');
  return nul == std::string::npos ? value : value.substr(0, nul);
}

DbcTable::DbcTable(const std::string& dbcPath, FileSystem& fs, int unmarkedCodePage)
    : fs_(fs), unmarkedCodePage_(unmarkedCodePage) {
  path_ = fs_.FindIgnoringCase(dbcPath);
  if (path_.empty()) throw ado::Failure("File '" + dbcPath + "' does not exist.");
  Load();
}

DbcTable::~DbcTable() = default;

void DbcTable::NotAContainer(const std::string& why) const {
  throw ado::Failure("File '" + path_ + "' is not a database container: " + why + ".");
}

const DbfField* DbcTable::OptionalField(const char* name) const {
  for (const DbfField& field : header_.fields) {
    if (EqualsIgnoringCase(field.name, name)) return &field;
  }
  return nullptr;
}

const DbfField& DbcTable::Field(const char* name) const {
  if (const DbfField* field = OptionalField(name)) return *field;
  NotAContainer(std::string("it has no field ") + name);
}

void DbcTable::Load() {
  auto file = fs_.Open(path_, OpenMode::Read);
  try {
    header_ = ReadDbfHeader(*file, UncountedRecords::Any);
  } catch (const ado::Failure& failure) {
    NotAContainer(failure.what());
  }
  if ((header_.tableFlags & 0x04) == 0) NotAContainer("its header does not mark it as one");
  const DbfField& id = Field("OBJECTID");
  const DbfField& parent = Field("PARENTID");
  const DbfField& type = Field("OBJECTTYPE");
  const DbfField& name = Field("OBJECTNAME");
  const DbfField& property = Field("PROPERTY");
  const DbfField* riInfo = OptionalField("RIINFO");
  if (id.type != 'I' || id.length != 4 || parent.type != 'I' || parent.length != 4 || type.type != 'C' ||
      name.type != 'C' || property.type != 'M' || property.length != 4) {
    NotAContainer("its fields are not those of a container");
  }
  memoPath_ = fs_.FindIgnoringCase(ReplaceExtension(path_, ".dct"));
  if (memoPath_.empty()) {
    throw ado::Failure("The memo file " + ReplaceExtension(FileNameOf(path_), ".dct") + " of database container '" +
                       path_ + "' is missing.");
  }
  codePage_ = CodePageForMark(header_.codePageMark, unmarkedCodePage_);
  codec_ = TextCodec::ForCodePage(codePage_);

  const std::uint64_t length = std::uint64_t{header_.recordCount} * header_.recordLength;
  std::vector<std::uint8_t> bytes(length);
  if (file->ReadAt(header_.headerLength, bytes.data(), bytes.size()) != bytes.size()) {
    NotAContainer("its records end early");
  }
  CheckUncountedRecords(*file, id, parent);
  objects_.clear();
  objects_.reserve(header_.recordCount);
  for (std::uint32_t r = 0; r < header_.recordCount; ++r) {
    const std::uint8_t* rec = bytes.data() + std::uint64_t{r} * header_.recordLength;
    DbcObject object;
    object.record = r + 1;
    object.deleted = rec[0] == '*';
    object.objectId = Le32s(rec + id.offset);
    object.parentId = Le32s(rec + parent.offset);
    object.rawType.assign(reinterpret_cast<const char*>(rec + type.offset), type.length);
    object.rawName.assign(reinterpret_cast<const char*>(rec + name.offset), name.length);
    object.type = TrimRight(object.rawType);
    object.name = codec_->Decode(TrimRight(object.rawName));
    object.propertyBlock = static_cast<std::uint32_t>(Le32s(rec + property.offset));
    if (riInfo != nullptr && riInfo->type == 'C') {
      object.riInfo = TrimRight(std::string(reinterpret_cast<const char*>(rec + riInfo->offset), riInfo->length));
    }
    objects_.push_back(std::move(object));
  }
}

void DbcTable::CheckUncountedRecords(File& file, const DbfField& id, const DbfField& parent) const {
  // An interrupted Append leaves its one group of records past the count: an object
  // numbered after its record, followed by its children. Anything else past the count are
  // records someone stopped counting, and appending at the count would overwrite them.
  const std::uint32_t extra = header_.uncountedRecords;
  if (extra <= 1) return;
  std::vector<std::uint8_t> bytes(std::size_t{extra} * header_.recordLength);
  const std::uint64_t end = header_.headerLength + std::uint64_t{header_.recordCount} * header_.recordLength;
  const bool read = extra <= 100000 && file.ReadAt(end, bytes.data(), bytes.size()) == bytes.size();
  const std::uint32_t first = header_.recordCount + 1;
  for (std::uint32_t i = 0; read && i < extra; ++i) {
    const std::uint8_t* rec = bytes.data() + std::size_t{i} * header_.recordLength;
    const bool ours = Le32s(rec + id.offset) == static_cast<std::int32_t>(first + i) &&
                      (i == 0 || Le32s(rec + parent.offset) == static_cast<std::int32_t>(first));
    if (!ours) ThrowUncountedRecords(file, header_);
  }
  if (!read) ThrowUncountedRecords(file, header_);
}

std::map<int, std::string> DbcTable::Properties(const DbcObject& object) {
  if (object.propertyBlock == 0) return {};
  MemoReader memo(fs_.Open(memoPath_, OpenMode::Read), MemoKind::Fpt);
  std::string bytes;
  memo.Read(object.propertyBlock, bytes);
  return ParseDbcProperties(bytes);
}

std::string DbcTable::EncodeName(const std::string& utf8, std::size_t width) const {
  std::string out;
  std::string bad;
  if (!codec_->Encode(utf8, out, &bad)) {
    throw ado::Failure("The name '" + utf8 + "' has a character (" + DescribeCharacter(bad) + ") that code page " +
                       std::to_string(codePage_) + " of database container '" + path_ + "' cannot hold.");
  }
  if (out.size() > width) {
    throw ado::Failure("The name '" + utf8 + "' is longer than the " + std::to_string(width) +
                       " characters a database container can hold.");
  }
  out.resize(width, ' ');
  return out;
}

std::uint32_t DbcTable::WriteProperties(const std::vector<std::pair<std::uint8_t, std::string>>& properties) {
  if (properties.empty()) return 0;
  const std::string memo = EncodeDbcProperties(properties);
  MemoWriter writer(fs_.Open(memoPath_, OpenMode::ReadWrite));
  const std::uint32_t block = writer.Append(kMemoText, memo.data(), memo.size());
  writer.Sync();
  return block;
}

std::uint32_t DbcTable::Append(const std::vector<NewDbcObject>& objects, const std::string& riInfo) {
  auto file = fs_.Open(path_, OpenMode::ReadWrite);
  header_ = ReadDbfHeader(*file, UncountedRecords::Any);
  CheckUncountedRecords(*file, Field("OBJECTID"), Field("PARENTID"));
  const std::uint64_t end = header_.headerLength + std::uint64_t{header_.recordCount} * header_.recordLength;
  // Bytes past the last counted record are what an interrupted append left: not part of the table.
  file->Truncate(end);
  const std::uint32_t first = header_.recordCount + 1;
  const DbfField& id = Field("OBJECTID");
  const DbfField& parent = Field("PARENTID");
  const DbfField& type = Field("OBJECTTYPE");
  const DbfField& name = Field("OBJECTNAME");
  const DbfField& property = Field("PROPERTY");
  const DbfField* riInfoField = OptionalField("RIINFO");

  std::vector<std::uint8_t> records;
  records.reserve(objects.size() * header_.recordLength + 1);
  for (std::size_t i = 0; i < objects.size(); ++i) {
    const NewDbcObject& object = objects[i];
    std::vector<std::uint8_t> rec(header_.recordLength, 0);
    rec[0] = ' ';
    for (const DbfField& field : header_.fields) {
      if (field.type == 'C') std::fill(rec.begin() + field.offset, rec.begin() + field.offset + field.length, ' ');
    }
    const auto record = static_cast<std::uint32_t>(first + i);
    PutLe32(&rec[id.offset], record);
    PutLe32(&rec[parent.offset], static_cast<std::uint32_t>(object.parentId == 0 ? first : object.parentId));
    const std::string rawType = EncodeName(object.type, type.length);
    const std::string rawName = EncodeName(object.name, name.length);
    std::copy(rawType.begin(), rawType.end(), rec.begin() + type.offset);
    std::copy(rawName.begin(), rawName.end(), rec.begin() + name.offset);
    PutLe32(&rec[property.offset], WriteProperties(object.properties));
    if (!riInfo.empty() && EqualsIgnoringCase(object.type, "Relation")) {
      if (riInfoField == nullptr || riInfoField->type != 'C' ||
          static_cast<std::size_t>(riInfoField->length) < riInfo.size()) {
        NotAContainer("it has no RIINFO field for the rules of " + object.name);
      }
      std::copy(riInfo.begin(), riInfo.end(), rec.begin() + riInfoField->offset);
    }
    records.insert(records.end(), rec.begin(), rec.end());
  }
  records.push_back(0x1A);
  file->WriteAt(end, records.data(), records.size());
  file->Sync();

  // The commit: the new records count from here on. Bytes 1-3 date, 4-7 count, one write.
  std::uint8_t head[7];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  head[0] = static_cast<std::uint8_t>(local.tm_year % 100);
  head[1] = static_cast<std::uint8_t>(local.tm_mon + 1);
  head[2] = static_cast<std::uint8_t>(local.tm_mday);
  PutLe32(head + 3, static_cast<std::uint32_t>(header_.recordCount + objects.size()));
  file->WriteAt(1, head, sizeof head);
  file->Sync();
  file.reset();
  Load();
  return first;
}

void DbcTable::MarkDeleted(std::uint32_t record) {
  if (record == 0 || record > objects_.size()) {
    throw ado::Failure("Record " + std::to_string(record) + " of database container '" + path_ + "' does not exist.");
  }
  auto file = fs_.Open(path_, OpenMode::ReadWrite);
  const std::uint8_t flag = '*';
  file->WriteAt(header_.headerLength + std::uint64_t{record - 1} * header_.recordLength, &flag, 1);
  file->Sync();
  objects_[record - 1].deleted = true;
}

void DbcTable::Rewrite(std::uint32_t record, const std::string& name,
                       const std::vector<std::pair<std::uint8_t, std::string>>& properties) {
  if (record == 0 || record > objects_.size()) {
    throw ado::Failure("Record " + std::to_string(record) + " of database container '" + path_ + "' does not exist.");
  }
  const DbfField& nameField = Field("OBJECTNAME");
  const DbfField& property = Field("PROPERTY");
  const std::string rawName = EncodeName(name, nameField.length);
  const std::uint32_t block = WriteProperties(properties);
  auto file = fs_.Open(path_, OpenMode::ReadWrite);
  const std::uint64_t at = header_.headerLength + std::uint64_t{record - 1} * header_.recordLength;
  std::vector<std::uint8_t> rec(header_.recordLength);
  if (file->ReadAt(at, rec.data(), rec.size()) != rec.size()) {
    throw ado::Failure("Record " + std::to_string(record) + " of database container '" + path_ + "' cannot be read.");
  }
  std::copy(rawName.begin(), rawName.end(), rec.begin() + nameField.offset);
  PutLe32(&rec[property.offset], block);
  file->WriteAt(at, rec.data(), rec.size());  // name and properties change together
  file->Sync();
  file.reset();
  Load();
}

}  // namespace foxpro
