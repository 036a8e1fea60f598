#include "platform/foxpro/containers/DbcCatalog.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "platform/ado/Failure.h"
#include "platform/foxpro/containers/DbcFiles.h"
#include "platform/foxpro/containers/DbcIndex.h"
#include "platform/foxpro/files/TableLocks.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/DbfWriter.h"
#include "platform/foxpro/tables/TableFields.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {
namespace {

// Longest name a container keeps for a table or a field (OBJECTNAME).
constexpr std::size_t kLongNameLength = 128;

bool IsTable(const DbcObject& object) { return EqualsIgnoringCase(object.type, "Table"); }
bool IsView(const DbcObject& object) { return EqualsIgnoringCase(object.type, "View"); }
bool IsRelation(const DbcObject& object) { return EqualsIgnoringCase(object.type, "Relation"); }

std::string PropertyText(const std::map<int, std::string>& properties, std::uint8_t id) {
  const auto found = properties.find(id);
  return found == properties.end() ? std::string() : DbcPropertyText(found->second);
}

std::string TextProperty(const std::string& text) { return text + std::string(1, '\0'); }

std::string WithoutTrailingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

std::unique_ptr<File> DbcCatalog::LockContainer() {
  auto file = fs_.Open(table_->Path(), OpenMode::ReadWrite);
  LockTable(*file, LockTimeout());
  return file;
}

void DbcCatalog::CheckOwnTable(const DbcObject& table, const std::string& dbfPath) {
  // The container's path property may name any file; only a table that links back to this
  // container is this table's, and only its own files may be deleted or renamed.
  std::string link;
  try {
    auto file = fs_.Open(dbfPath, OpenMode::Read);
    const DbfHeader header = ReadDbfHeader(*file, UncountedRecords::Any);
    link = ResolveIgnoringCase(fs_, WithoutTrailingSlash(FolderPart(dbfPath)), header.backlink);
  } catch (const ado::Failure& failure) {
    throw ado::Failure("The file '" + dbfPath + "' of table '" + table.name + "' is not a table (" +
                       failure.Description() + "); nothing was changed.");
  }
  if (link.empty() || !SameFile(link, table_->Path())) {
    throw ado::Failure("The file '" + dbfPath + "' of table '" + table.name +
                       "' does not belong to database container '" + table_->Path() + "'; nothing was changed.");
  }
}

void DbcCatalog::CreateEmpty(const std::string& dbcPath, int codePage, FileSystem& fs) {
  for (const char* extension : {".dbc", ".dct", ".dcx"}) {
    const std::string existing = fs.FindIgnoringCase(ReplaceExtension(dbcPath, extension));
    if (!existing.empty()) throw ado::Failure("File '" + existing + "' already exists.");
  }
  // The container's own fields (format sheet: record length 165, header length 552).
  std::vector<NewField> fields{
      {"OBJECTID", 'I', 4, 0, false, false, false, 1, 1},    {"PARENTID", 'I', 4, 0, false, false, false, 1, 1},
      {"OBJECTTYPE", 'C', 10, 0, false, false, false, 1, 1}, {"OBJECTNAME", 'C', 128, 0, false, false, false, 1, 1},
      {"PROPERTY", 'M', 4, 0, false, true, false, 1, 1},     {"CODE", 'M', 4, 0, false, true, false, 1, 1},
      {"RIINFO", 'C', 6, 0, false, false, false, 1, 1},      {"USER", 'M', 4, 0, false, false, false, 1, 1}};
  CreateOptions options;
  options.database = true;
  options.codePageMark = MarkForCodePage(codePage != 0 ? codePage : 1252);
  CreateVfpTable(dbcPath, fields, options, fs);
  try {
    DbcTable table(dbcPath, fs);
    // Version 10, a big-endian number, as Visual FoxPro's own containers hold it.
    const std::string version("\0\0\0\x0a", 4);
    std::vector<NewDbcObject> records{{1, "Database", "Database", {{kDbcPropertyVersion, version}}}};
    for (const char* name :
         {"TransactionLog", "StoredProceduresSource", "StoredProceduresObject", "StoredProceduresDependencies"}) {
      records.push_back({1, "Database", name, {}});
    }
    table.Append(records);
    DbcIndex::Rebuild(table, fs);
  } catch (const ado::Failure&) {
    for (const char* extension : {".dbc", ".dct", ".dcx"}) {
      const std::string made = fs.FindIgnoringCase(ReplaceExtension(dbcPath, extension));
      if (!made.empty()) fs.Remove(made);
    }
    throw;
  }
}

DbcCatalog::DbcCatalog(const std::string& dbcPath, FileSystem& fs, int unmarkedCodePage)
    : fs_(fs), table_(std::make_unique<DbcTable>(dbcPath, fs, unmarkedCodePage)) {
  folder_ = WithoutTrailingSlash(FolderPart(table_->Path()));
}

DbcCatalog::~DbcCatalog() = default;

std::string DbcCatalog::Folder() const { return folder_.empty() ? "." : folder_; }

std::vector<CatalogEntry> DbcCatalog::Entries() {
  table_->Reload();
  std::vector<CatalogEntry> entries;
  for (const DbcObject& object : table_->Objects()) {
    if (object.deleted || object.parentId != 1 || (!IsTable(object) && !IsView(object))) continue;
    const bool seen = std::any_of(entries.begin(), entries.end(),
                                  [&](const CatalogEntry& e) { return EqualsIgnoringCase(e.name, object.name); });
    if (!seen) entries.push_back({IsTable(object) ? "TABLE" : "VIEW", object.name});
  }
  return entries;
}

const DbcObject* DbcCatalog::Find(std::string_view name, bool viewsToo) const {
  for (const DbcObject& object : table_->Objects()) {
    if (object.deleted || object.parentId != 1) continue;
    if ((IsTable(object) || (viewsToo && IsView(object))) && EqualsIgnoringCase(object.name, name)) return &object;
  }
  return nullptr;
}

const DbcObject& DbcCatalog::FindTable(std::string_view name) const {
  const DbcObject* object = Find(name, true);
  if (object == nullptr) {
    throw ado::Failure("Table '" + std::string(name) + "' is not in database container '" + table_->Path() + "'.");
  }
  if (IsView(*object)) {
    throw ado::Failure("'" + std::string(name) + "' in database container '" + table_->Path() +
                       "' is a view, not a table.");
  }
  return *object;
}

std::string DbcCatalog::TableFile(const DbcObject& table) {
  const auto properties = table_->Properties(table);
  const auto path = properties.find(kDbcPropertyPath);
  const std::string relative = path != properties.end() ? DbcPropertyText(path->second) : table.name + ".dbf";
  const std::string found = ResolveIgnoringCase(fs_, folder_, relative);
  if (!found.empty()) return found;
  // A path written on another machine ("C:\data\emp.dbf") still finds a table that was
  // moved along with its container.
  return ResolveIgnoringCase(fs_, folder_, FileNameOf(PortablePath(relative)));
}

TableLocation DbcCatalog::Resolve(std::string_view name) {
  table_->Reload();
  const DbcObject& table = FindTable(name);
  TableLocation location;
  location.dbfPath = TableFile(table);
  if (location.dbfPath.empty()) {
    throw ado::Failure("The file of table '" + table.name + "' of database container '" + table_->Path() +
                       "' does not exist.");
  }
  std::vector<std::string> longNames;
  for (const DbcObject& object : table_->Objects()) {
    if (!object.deleted && object.parentId == table.objectId && EqualsIgnoringCase(object.type, "Field")) {
      longNames.push_back(object.name);
    }
  }
  // The field records match the .dbf's fields by position; when the counts differ the .dbf's
  // own names are the only reliable ones.
  auto file = fs_.Open(location.dbfPath, OpenMode::Read);
  if (ReadDbfHeader(*file).VisibleFields().size() == longNames.size()) location.fieldNames = std::move(longNames);
  return location;
}

std::vector<std::string> DbcCatalog::FilesOf(const std::string& dbfPath) {
  std::vector<std::string> files{dbfPath};
  for (const char* extension : {".fpt", ".cdx"}) {
    const std::string companion = fs_.FindIgnoringCase(ReplaceExtension(dbfPath, extension));
    if (!companion.empty()) files.push_back(companion);
  }
  return files;
}

void DbcCatalog::CreateTable(const std::string& dbfPath, const std::vector<ColumnDefinition>& columns, int codePage) {
  const auto lock = LockContainer();
  table_->Reload();
  const std::string tableName = StemOf(FileNameOf(dbfPath));
  CheckNewTableName(tableName);
  if (Find(tableName, true) != nullptr) {
    throw ado::Failure("Table '" + tableName + "' already exists in database container '" + table_->Path() + "'.");
  }
  if (!fs_.FindIgnoringCase(dbfPath).empty()) throw ado::Failure("File '" + dbfPath + "' already exists.");
  if (tableName.size() > kLongNameLength) {
    throw ado::Failure("The table name '" + tableName + "' is longer than 128 characters.");
  }
  for (const ColumnDefinition& column : columns) {
    if (column.name.size() > kLongNameLength) {
      throw ado::Failure("The field name '" + column.name + "' is longer than 128 characters.");
    }
  }
  const std::vector<NewField> fields = DbfFieldsFor(columns);

  // Memo and index files of an earlier table of this name would be taken for the new one's.
  for (const char* extension : {".fpt", ".cdx"}) {
    const std::string stale = fs_.FindIgnoringCase(ReplaceExtension(dbfPath, extension));
    if (!stale.empty()) fs_.Remove(stale);
  }
  const std::string tableFolder = FolderPart(dbfPath);
  CreateOptions options;
  options.backlink = LowerAscii(RelativeWindowsPath(tableFolder.empty() ? "." : tableFolder, table_->Path()));
  options.codePageMark = MarkForCodePage(codePage != 0 ? codePage : 1252);
  // The table's files are complete before the container mentions them, and the container's
  // records all become visible with its one header write: a crash leaves the old or the new.
  CreateVfpTable(dbfPath, fields, options, fs_);
  try {
    for (const std::string& file : FilesOf(dbfPath)) fs_.Open(file, OpenMode::ReadWrite)->Sync();
  } catch (const ado::Failure&) {
    for (const std::string& file : FilesOf(dbfPath)) fs_.Remove(file);
    throw;
  }
  std::vector<NewDbcObject> objects;
  objects.push_back({1,
                     "Table",
                     tableName,
                     {{kDbcPropertyClass, std::string(1, '\x01')},
                      {kDbcPropertyPath, RelativeWindowsPath(Folder(), dbfPath) + std::string(1, '\0')}}});
  for (const ColumnDefinition& column : columns) objects.push_back({0, "Field", LowerAscii(column.name), {}});
  try {
    table_->Append(objects);
  } catch (const ado::Failure&) {
    for (const std::string& file : FilesOf(dbfPath)) fs_.Remove(file);
    throw;
  }
  DbcIndex::Rebuild(*table_, fs_);
}

void DbcCatalog::DropTable(std::string_view name) {
  const auto lock = LockContainer();
  table_->Reload();
  const DbcObject table = FindTable(name);
  const std::string dbfPath = TableFile(table);
  std::unique_ptr<File> tableLock;
  if (!dbfPath.empty()) {
    CheckOwnTable(table, dbfPath);
    // A writer that is appending to the table finishes its statement first.
    tableLock = OpenLocked(fs_, dbfPath, LockTimeout());
  }
  // The table's own record goes first: once it is marked, the table is gone for every reader,
  // and its field, index and relation records are dead with it.
  table_->MarkDeleted(table.record);
  const std::vector<DbcObject> objects = table_->Objects();
  for (const DbcObject& object : objects) {
    if (!object.deleted && object.parentId == table.objectId && object.record != table.record) {
      table_->MarkDeleted(object.record);
    }
  }
  DbcIndex::Rebuild(*table_, fs_);
  if (!dbfPath.empty()) {
    for (const std::string& file : FilesOf(dbfPath)) fs_.Remove(file);
  }
}

void DbcCatalog::RenameTable(std::string_view oldName, std::string_view newName) {
  const auto lock = LockContainer();
  table_->Reload();
  const DbcObject table = FindTable(oldName);
  const std::string newText(newName);
  CheckNewTableName(newText);
  if (newText.size() > kLongNameLength) {
    throw ado::Failure("Invalid path or file name: table name \"" + newText + "\".");
  }
  const DbcObject* taken = Find(newName, true);
  if (taken != nullptr && taken->record != table.record) {
    throw ado::Failure("Table '" + newText + "' already exists in database container '" + table_->Path() + "'.");
  }
  const std::string dbfPath = TableFile(table);
  if (dbfPath.empty()) {
    throw ado::Failure("The file of table '" + table.name + "' of database container '" + table_->Path() +
                       "' does not exist.");
  }
  CheckOwnTable(table, dbfPath);
  std::vector<std::pair<std::string, std::string>> moves;
  for (const std::string& file : FilesOf(dbfPath)) {
    moves.emplace_back(file, FolderPart(file) + newText + "." + ExtensionOf(FileNameOf(file)));
  }
  const bool sameFiles = std::all_of(moves.begin(), moves.end(), [](const auto& m) { return m.first == m.second; });
  // New names first (links), then the record names them, then the old names go: whenever it
  // stops, the record names files that exist.
  std::vector<std::string> linked;
  if (!sameFiles) {
    try {
      for (const auto& [from, to] : moves) {
        const bool caseOnly = EqualsIgnoringCase(from, to);
        if (caseOnly) continue;
        LinkFile(fs_, from, to);
        linked.push_back(to);
      }
    } catch (const ado::Failure&) {
      for (const std::string& file : linked) fs_.Remove(file);
      throw;
    }
  }
  auto properties = table_->Properties(table);
  std::vector<std::pair<std::uint8_t, std::string>> kept;
  kept.emplace_back(kDbcPropertyClass,
                    properties.count(kDbcPropertyClass) ? properties[kDbcPropertyClass] : std::string(1, '\x01'));
  const std::string newDbf = moves.front().second;
  kept.emplace_back(kDbcPropertyPath, RelativeWindowsPath(Folder(), newDbf) + std::string(1, '\0'));
  for (const auto& [id, value] : properties) {
    if (id != kDbcPropertyClass && id != kDbcPropertyPath) kept.emplace_back(static_cast<std::uint8_t>(id), value);
  }
  table_->Rewrite(table.record, newText, kept);
  for (const auto& [from, to] : moves) {
    if (from == to) continue;
    if (EqualsIgnoringCase(from, to)) {
      ReplaceFile(fs_, from, to);  // only the letter case changes: one rename
    } else {
      fs_.Remove(from);
    }
  }
  DbcIndex::Rebuild(*table_, fs_);
}

}  // namespace foxpro

namespace foxpro {
namespace {

// The declaration's properties, each with its id; an empty text is no property at all.
constexpr std::uint8_t kFieldDeclarationIds[] = {kDbcPropertyDefaultValue,   kDbcPropertyComment,  kDbcPropertyCaption,
                                                 kDbcPropertyRuleExpression, kDbcPropertyRuleText, kDbcPropertyFormat,
                                                 kDbcPropertyInputMask};

std::string* FieldText(FieldDeclaration& field, std::uint8_t id) {
  switch (id) {
    case kDbcPropertyDefaultValue:
      return &field.defaultValue;
    case kDbcPropertyComment:
      return &field.comment;
    case kDbcPropertyCaption:
      return &field.caption;
    case kDbcPropertyRuleExpression:
      return &field.rule;
    case kDbcPropertyFormat:
      return &field.format;
    case kDbcPropertyInputMask:
      return &field.inputMask;
    default:
      return &field.ruleText;
  }
}

}  // namespace

std::vector<const DbcObject*> DbcCatalog::FieldsOf(const DbcObject& table) const {
  std::vector<const DbcObject*> fields;
  for (const DbcObject& object : table_->Objects()) {
    if (!object.deleted && object.parentId == table.objectId && EqualsIgnoringCase(object.type, "Field")) {
      fields.push_back(&object);
    }
  }
  return fields;
}

TableDeclaration DbcCatalog::Declaration(std::string_view name) {
  table_->Reload();
  const DbcObject& table = FindTable(name);
  const auto text = [&](const std::map<int, std::string>& properties, std::uint8_t id) {
    const auto found = properties.find(id);
    return found == properties.end() ? std::string() : table_->Codec().Decode(DbcPropertyText(found->second));
  };
  TableDeclaration declaration;
  declaration.comment = text(table_->Properties(table), kDbcPropertyComment);
  for (const DbcObject* object : FieldsOf(table)) {
    FieldDeclaration field;
    field.name = object->name;
    const std::map<int, std::string> properties = table_->Properties(*object);
    for (const std::uint8_t id : kFieldDeclarationIds) *FieldText(field, id) = text(properties, id);
    declaration.fields.push_back(std::move(field));
  }
  return declaration;
}

std::vector<ViewDefinition> DbcCatalog::Views() {
  table_->Reload();
  std::vector<ViewDefinition> views;
  for (const DbcObject& object : table_->Objects()) {
    if (object.deleted || object.parentId != 1 || !IsView(object)) continue;
    const std::map<int, std::string> properties = table_->Properties(object);
    const auto sql = properties.find(kDbcPropertyViewSql);
    views.push_back(
        {object.name, sql == properties.end() ? std::string() : table_->Codec().Decode(DbcPropertyText(sql->second))});
  }
  return views;
}

void DbcCatalog::Declare(std::string_view name, const TableDeclaration& declaration) {
  const auto lock = LockContainer();
  table_->Reload();
  const auto encoded = [&](const std::string& utf8, const std::string& what) {
    std::string bytes;
    std::string bad;
    if (!table_->Codec().Encode(utf8, bytes, &bad)) {
      throw ado::Failure("The " + what + " holds '" + bad + "', which code page " + std::to_string(table_->CodePage()) +
                         " of database container '" + table_->Path() + "' cannot hold.");
    }
    return bytes + std::string(1, '\0');
  };
  // Every record's new properties are worked out before the first is written.
  std::vector<std::tuple<std::uint32_t, std::string, std::vector<std::pair<std::uint8_t, std::string>>>> rewrites;
  const auto merged = [&](const DbcObject& object, const std::vector<std::pair<std::uint8_t, std::string>>& set) {
    std::vector<std::pair<std::uint8_t, std::string>> properties;
    for (const auto& [id, value] : table_->Properties(object)) {
      const bool replaced =
          std::any_of(set.begin(), set.end(), [&](const auto& property) { return property.first == id; });
      if (!replaced) properties.emplace_back(static_cast<std::uint8_t>(id), value);
    }
    for (const auto& property : set) {
      if (property.second.size() > 1) properties.push_back(property);
    }
    rewrites.emplace_back(object.record, object.name, std::move(properties));
  };
  const DbcObject& table = FindTable(name);
  merged(table, {{kDbcPropertyComment, encoded(declaration.comment, "comment of table " + table.name)}});
  const std::vector<const DbcObject*> fields = FieldsOf(table);
  for (const FieldDeclaration& field : declaration.fields) {
    const auto found = std::find_if(fields.begin(), fields.end(), [&](const DbcObject* object) {
      return EqualsIgnoringCase(object->name, field.name);
    });
    if (found == fields.end()) {
      throw ado::Failure("Table '" + table.name + "' of database container '" + table_->Path() + "' has no field '" +
                         field.name + "'.");
    }
    FieldDeclaration copy = field;
    std::vector<std::pair<std::uint8_t, std::string>> set;
    for (const std::uint8_t id : kFieldDeclarationIds) {
      set.emplace_back(id, encoded(*FieldText(copy, id), "declaration of field " + field.name));
    }
    merged(**found, set);
  }
  for (const auto& [record, objectName, properties] : rewrites) table_->Rewrite(record, objectName, properties);
}

std::vector<Relation> DbcCatalog::Relations() {
  table_->Reload();
  std::vector<Relation> relations;
  for (const DbcObject& object : table_->Objects()) {
    if (object.deleted || !IsRelation(object)) continue;
    const auto child = std::find_if(table_->Objects().begin(), table_->Objects().end(), [&](const DbcObject& table) {
      return !table.deleted && table.objectId == object.parentId && IsTable(table);
    });
    if (child == table_->Objects().end()) continue;
    const auto properties = table_->Properties(object);
    Relation relation{object.name,
                      child->name,
                      PropertyText(properties, kDbcPropertyChildTag),
                      PropertyText(properties, kDbcPropertyRelatedTable),
                      PropertyText(properties, kDbcPropertyRelatedTag),
                      object.riInfo};
    // A relation to a table removed since points nowhere.
    const DbcObject* parent = Find(relation.parentTable, false);
    if (parent == nullptr) continue;
    relation.parentTable = parent->name;
    relations.push_back(std::move(relation));
  }
  return relations;
}

void DbcCatalog::AddRelation(const Relation& relation) {
  const auto lock = LockContainer();
  table_->Reload();
  const DbcObject child = FindTable(relation.childTable);
  const DbcObject parent = FindTable(relation.parentTable);
  if (relation.riInfo.size() > 3 || relation.riInfo.find_first_not_of("CRI") != std::string::npos) {
    throw ado::Failure("The referential-integrity rules '" + relation.riInfo +
                       "' are not three letters of C (cascade), R (restrict) and I (ignore).");
  }
  // Visual FoxPro numbers a table's relations from 1, counting its live ones.
  const auto count = std::count_if(table_->Objects().begin(), table_->Objects().end(), [&](const DbcObject& object) {
    return !object.deleted && object.parentId == child.objectId && IsRelation(object);
  });
  table_->Append({{child.objectId,
                   "Relation",
                   "Relation " + std::to_string(count + 1),
                   {{kDbcPropertyChildTag, TextProperty(LowerAscii(relation.childTag))},
                    {kDbcPropertyRelatedTable, TextProperty(parent.name)},
                    {kDbcPropertyRelatedTag, TextProperty(LowerAscii(relation.parentTag))}}}},
                 relation.riInfo);
  DbcIndex::Rebuild(*table_, fs_);
}

}  // namespace foxpro
