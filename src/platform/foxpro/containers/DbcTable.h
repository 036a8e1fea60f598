#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/DbfHeader.h"

namespace foxpro {

class TextCodec;

/// One record of a database container.
struct DbcObject {
  std::uint32_t record = 0;  ///< 1-based
  bool deleted = false;
  std::int32_t objectId = 0;
  std::int32_t parentId = 0;
  std::string type;                 ///< OBJECTTYPE without its padding, e.g. "Table"
  std::string name;                 ///< OBJECTNAME without its padding, as UTF-8
  std::string rawType;              ///< OBJECTTYPE bytes as stored (10)
  std::string rawName;              ///< OBJECTNAME bytes as stored (128)
  std::uint32_t propertyBlock = 0;  ///< 0 when the record has no properties
  std::string riInfo;               ///< RIINFO without its padding: update, delete, insert rule (C, R, I)
};

/// A record to add: its type, its name (UTF-8) and its property values by id.
struct NewDbcObject {
  std::int32_t parentId = 1;  ///< 0 = the first new object (its children point at it)
  std::string type;
  std::string name;
  std::vector<std::pair<std::uint8_t, std::string>> properties;
};

// Property ids of the PROPERTY memo.
inline constexpr std::uint8_t kDbcPropertyPath = 1;
inline constexpr std::uint8_t kDbcPropertyClass = 2;
inline constexpr std::uint8_t kDbcPropertyComment = 7;
inline constexpr std::uint8_t kDbcPropertyRuleExpression = 9;
inline constexpr std::uint8_t kDbcPropertyRuleText = 10;
inline constexpr std::uint8_t kDbcPropertyDefaultValue = 11;
inline constexpr std::uint8_t kDbcPropertyViewSql = 42;
inline constexpr std::uint8_t kDbcPropertyInputMask = 54;
inline constexpr std::uint8_t kDbcPropertyFormat = 55;
inline constexpr std::uint8_t kDbcPropertyCaption = 56;
inline constexpr std::uint8_t kDbcPropertyChildTag = 13;
inline constexpr std::uint8_t kDbcPropertyRelatedTable = 18;
inline constexpr std::uint8_t kDbcPropertyRelatedTag = 19;
inline constexpr std::uint8_t kDbcPropertyVersion = 24;

/// Parses a PROPERTY memo: records of a 4-byte LE length (header included), 01 00, an id and
/// the value. Stops at the first record that does not fit.
std::map<int, std::string> ParseDbcProperties(std::string_view memo);
std::string EncodeDbcProperties(const std::vector<std::pair<std::uint8_t, std::string>>& properties);

/// A text property's value without its closing NUL.
std::string DbcPropertyText(const std::string& value);

/// The container table itself (.dbc with its .dct memo): read whole, written record by record
/// in an order that a crash cannot turn into a half-changed container.
class DbcTable {
 public:
  /// Throws ado::Failure when the file is missing or is not a database container.
  DbcTable(const std::string& dbcPath, FileSystem& fs, int unmarkedCodePage = kOemDefaultCodePage);
  ~DbcTable();

  const std::string& Path() const { return path_; }
  const std::string& MemoPath() const { return memoPath_; }
  const std::vector<DbcObject>& Objects() const { return objects_; }
  int CodePage() const { return codePage_; }
  const TextCodec& Codec() const { return *codec_; }

  /// Reads the records again (another connection may have changed the container).
  void Reload() { Load(); }

  /// The properties of an object (empty when it has none).
  std::map<int, std::string> Properties(const DbcObject& object);

  /// Appends the objects as new records, made visible together by one header write at the
  /// end. Object ids are the record numbers. riInfo goes into each new Relation record's
  /// RIINFO (its referential-integrity rules). Returns the first new record number.
  std::uint32_t Append(const std::vector<NewDbcObject>& objects, const std::string& riInfo = {});
  /// Sets the deletion flag of one record (one byte: it is the commit point of a removal).
  void MarkDeleted(std::uint32_t record);
  /// Replaces an object's name and properties in one write of the record.
  void Rewrite(std::uint32_t record, const std::string& name,
               const std::vector<std::pair<std::uint8_t, std::string>>& properties);

 private:
  void Load();
  void CheckUncountedRecords(File& file, const DbfField& id, const DbfField& parent) const;
  [[noreturn]] void NotAContainer(const std::string& why) const;
  std::string EncodeName(const std::string& utf8, std::size_t width) const;
  std::uint32_t WriteProperties(const std::vector<std::pair<std::uint8_t, std::string>>& properties);
  const DbfField& Field(const char* name) const;
  /// The field, or nullptr for one that older containers lack.
  const DbfField* OptionalField(const char* name) const;

  FileSystem& fs_;
  std::string path_;
  std::string memoPath_;
  DbfHeader header_;
  std::shared_ptr<const TextCodec> codec_;
  int unmarkedCodePage_;
  int codePage_ = 1252;
  std::vector<DbcObject> objects_;
};

}  // namespace foxpro
