#include "platform/foxpro/sql/FoxProSession.h"

#include <algorithm>
#include <utility>
#include <variant>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/containers/FolderCatalog.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/indexes/CdxStructuralIndex.h"
#include "platform/foxpro/sql/SqlParser.h"
#include "platform/foxpro/tables/AppendArrays.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/DbfWriter.h"
#include "platform/foxpro/tables/FieldTypes.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {

namespace {

// Rows of one result held in memory (the tables schema, statements without rows).
class ListedRows : public ado::RowSource {
 public:
  ListedRows(std::vector<ado::FieldInfo> fields, std::vector<std::vector<ado::Value>> rows)
      : fields_(std::move(fields)), rows_(std::move(rows)) {}
  const std::vector<ado::FieldInfo>& Fields() const override { return fields_; }
  bool Next(std::vector<ado::Value>& row) override {
    if (next_ >= rows_.size()) {
      return false;
    }
    row = std::move(rows_[next_++]);
    return true;
  }

 private:
  std::vector<ado::FieldInfo> fields_;
  std::vector<std::vector<ado::Value>> rows_;
  std::size_t next_ = 0;
};

// A field as its table declares it. The binary flag that FoxPro also sets on I, Y, B, T, W
// and Q fields says nothing there: only text types have a NOCPTRANS to declare.
ado::DeclaredField Declared(const DbfField& field) {
  ado::DeclaredField declared;
  declared.typeLetter = field.type;
  declared.width = field.length;
  declared.decimals = field.decimals;
  declared.nullable = field.IsNullable();
  declared.binary = field.IsBinary() && IsTextType(field.type);
  declared.autoIncrement = field.IsAutoIncrement();
  if (declared.autoIncrement) declared.nextAutoIncrement = static_cast<std::int32_t>(field.autoIncrementNext);
  return declared;
}

// The live rows of a table, read as they are asked for.
class TableRows : public ado::RowSource {
 public:
  TableRows(std::unique_ptr<DbfReader> reader, const std::vector<std::string>& displayNames)
      : reader_(std::move(reader)) {
    const std::vector<DbfField>& fields = reader_->Fields();
    const bool useDisplayNames = displayNames.size() == fields.size();
    for (std::size_t i = 0; i < fields.size(); ++i) {
      // The provider reports field names in lower case.
      fields_.push_back(ado::FieldInfo{LowerAscii(useDisplayNames ? displayNames[i] : fields[i].name),
                                       fields[i].AdoType(), Declared(fields[i])});
    }
  }
  const std::vector<ado::FieldInfo>& Fields() const override { return fields_; }
  bool Next(std::vector<ado::Value>& row) override { return reader_->Next(row); }

 private:
  std::unique_ptr<DbfReader> reader_;
  std::vector<ado::FieldInfo> fields_;
};

std::unique_ptr<ado::RowSource> NoRows() {
  return std::make_unique<ListedRows>(std::vector<ado::FieldInfo>{}, std::vector<std::vector<ado::Value>>{});
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::unique_ptr<Catalog> OpenCatalog(const std::string& dataSource, int unmarkedCodePage) {
  if (dataSource.empty()) {
    throw ado::Failure("Invalid path or file name. The connection string names no Data Source.");
  }
  std::string path = PortablePath(dataSource);
  while (path.size() > 1 && path.back() == '/') {
    path.pop_back();
  }
  const std::string found = FindPathIgnoringCase(path);
  if (found.empty()) {
    throw ado::Failure("Invalid path or file name: '" + dataSource + "' does not exist.");
  }
  if (IsFolder(found)) {
    return std::make_unique<FolderCatalog>(found);
  }
  if (DiskFileSystem().Exists(found) && EndsWithIgnoringCase(found, ".dbc")) {
    return std::make_unique<DbcCatalog>(found, DiskFileSystem(), unmarkedCodePage);
  }
  throw ado::Failure("Invalid path or file name: '" + dataSource +
                     "' is neither a folder nor a database container (.dbc).");
}

}  // namespace

std::unique_ptr<FoxProSession> FoxProSession::Open(const std::string& connectionString, long lockTimeoutSeconds,
                                                   int unmarkedCodePage) {
  TextCodec::ForCodePage(unmarkedCodePage);  // a code page that cannot be read fails the open
  auto catalog = OpenCatalog(ado::ConnectionStringValue(connectionString, "Data Source"), unmarkedCodePage);
  catalog->SetLockTimeout(lockTimeoutSeconds);
  catalog->SetUnmarkedCodePage(unmarkedCodePage);
  return std::make_unique<FoxProSession>(std::move(catalog));
}

FoxProSession::FoxProSession(std::unique_ptr<Catalog> catalog) : catalog_(std::move(catalog)) {}

FoxProSession::~FoxProSession() = default;

void FoxProSession::Execute(const std::string& sql) { Run(SqlParser::Parse(sql)); }

std::unique_ptr<ado::RowSource> FoxProSession::Query(const std::string& sql) { return Run(SqlParser::Parse(sql)); }

std::unique_ptr<ado::RowSource> FoxProSession::TablesSchema() {
  CloseAppender();
  std::vector<ado::FieldInfo> fields{{"TABLE_CATALOG", ado::adVarWChar},
                                     {"TABLE_SCHEMA", ado::adVarWChar},
                                     {"TABLE_NAME", ado::adVarWChar},
                                     {"TABLE_TYPE", ado::adVarWChar},
                                     {"DESCRIPTION", ado::adVarWChar}};
  std::vector<std::vector<ado::Value>> rows;
  for (CatalogEntry& entry : Tables().Entries()) {
    rows.push_back({ado::Null{}, ado::Null{}, std::move(entry.name), std::move(entry.type), ado::Null{}});
  }
  return std::make_unique<ListedRows>(std::move(fields), std::move(rows));
}

std::unique_ptr<ado::RowSource> FoxProSession::IndexesSchema(const std::string& table) {
  CloseAppender();
  const TableLocation location = Tables().Resolve(table);
  std::vector<std::vector<ado::Value>> rows;
  for (IndexTagInfo& tag : CdxStructuralIndex::Tags(location.dbfPath, DiskFileSystem())) {
    rows.push_back({table, std::move(tag.name), std::move(tag.expression), std::move(tag.filter), tag.descending,
                    tag.primary, tag.candidate, tag.unique});
  }
  return std::make_unique<ListedRows>(ado::IndexesSchemaFields(), std::move(rows));
}

std::unique_ptr<ado::RowSource> FoxProSession::ForeignKeysSchema() {
  CloseAppender();
  std::vector<std::vector<ado::Value>> rows;
  for (Relation& relation : Tables().Relations()) {
    rows.push_back({std::move(relation.name), std::move(relation.childTable), std::move(relation.childTag),
                    std::move(relation.parentTable), std::move(relation.parentTag), std::move(relation.riInfo)});
  }
  return std::make_unique<ListedRows>(ado::ForeignKeysSchemaFields(), std::move(rows));
}

void FoxProSession::Close() {
  if (!catalog_) {
    return;
  }
  std::unique_ptr<DbfAppender> appender = std::move(appender_);
  catalog_.reset();
  if (appender) {
    appender->Close();
  }
}

DbcCatalog* FoxProSession::ContainerOf(ado::Connection& connection) {
  auto* session = dynamic_cast<FoxProSession*>(&connection.ActiveSession());
  return session == nullptr ? nullptr : dynamic_cast<DbcCatalog*>(&session->Tables());
}

Catalog& FoxProSession::Tables() {
  if (!catalog_) {
    throw ado::Failure("Operation is not allowed when the object is closed.");
  }
  return *catalog_;
}

std::unique_ptr<ado::RowSource> FoxProSession::Run(const SqlStatement& statement) {
  Tables();
  if (const auto* insert = std::get_if<InsertStatement>(&statement)) {
    Insert(*insert);
    return NoRows();
  }
  CloseAppender();
  if (const auto* select = std::get_if<SelectAllStatement>(&statement)) {
    return Select(*select);
  }
  if (const auto* create = std::get_if<CreateTableStatement>(&statement)) {
    Create(*create);
  } else if (const auto* drop = std::get_if<DropTableStatement>(&statement)) {
    Drop(*drop);
  } else if (const auto* rename = std::get_if<RenameTableStatement>(&statement)) {
    Rename(*rename);
  } else if (const auto* tag = std::get_if<AddIndexTagStatement>(&statement)) {
    AddIndexTag(*tag);
  } else if (const auto* relation = std::get_if<AddRelationStatement>(&statement)) {
    AddRelation(*relation);
  }
  return NoRows();
}

std::unique_ptr<ado::RowSource> FoxProSession::Select(const SelectAllStatement& statement) {
  TableLocation location;
  if (statement.table.isPath) {
    location.dbfPath = ExistingTablePath(statement.table);
  } else {
    location = Tables().Resolve(statement.table.text);
  }
  return std::make_unique<TableRows>(DbfReader::Open(location.dbfPath, DiskFileSystem(), Tables().UnmarkedCodePage()),
                                     location.fieldNames);
}

void FoxProSession::Create(const CreateTableStatement& statement) {
  const std::string path = StatementPath(statement.table.isPath ? statement.table.text : statement.table.text + ".dbf");
  const std::string folder = FolderPart(path);
  const std::string foundFolder = folder.empty() ? std::string() : FindPathIgnoringCase(folder);
  if (!folder.empty() && (foundFolder.empty() || !IsFolder(foundFolder))) {
    throw ado::Failure("Invalid path or file name: '" + statement.table.text + "'.");
  }
  Tables().CreateTable(JoinPath(foundFolder, FileNameOf(path)), statement.columns, statement.codePage);
}

std::unique_ptr<ado::ParameterArrays> FoxProSession::PrepareArrays(const std::string& sql, std::size_t markers) {
  const SqlStatement statement = SqlParser::Parse(sql);
  const auto* insert = std::get_if<InsertStatement>(&statement);
  if (insert == nullptr || !insert->parameterMarkers) {
    return nullptr;
  }
  Tables();
  CloseAppender();
  auto appender = DbfAppender::Open(ExistingTablePath(insert->table), DiskFileSystem(), Tables().LockTimeout(),
                                    Tables().UnmarkedCodePage());
  if (insert->values.size() != appender->Fields().size() || markers != insert->values.size()) {
    throw ado::Failure("The INSERT gives " + std::to_string(insert->values.size()) + " parameter markers for the " +
                       std::to_string(appender->Fields().size()) + " fields of " + insert->table.text + ".");
  }
  return std::make_unique<AppendArrays>(std::move(appender));
}

void FoxProSession::Insert(const InsertStatement& statement) {
  if (statement.parameterMarkers) {
    throw ado::Failure("An INSERT with parameter markers takes its values from parameter arrays.");
  }
  // Row after row goes to the same table: when the statement names it as the last one did and
  // the same file is still there, one stat stands in for resolving the name again.
  const bool sameTable =
      appender_ && statement.table == appenderTable_ && IdentityOfFile(appenderPath_) == appenderFile_;
  if (!sameTable) {
    const std::string path = ExistingTablePath(statement.table);
    const std::optional<FileIdentity> file = IdentityOfFile(path);
    CloseAppender();
    appender_ = DbfAppender::Open(path, DiskFileSystem(), Tables().LockTimeout(), Tables().UnmarkedCodePage());
    appenderPath_ = path;
    appenderFile_ = file;
    appenderTable_ = statement.table;
  }
  const std::size_t fieldCount = appender_->Fields().size();
  if (statement.values.size() > fieldCount) {
    throw ado::Failure("Too many values: the INSERT gives " + std::to_string(statement.values.size()) +
                       " values for the " + std::to_string(fieldCount) + " fields of " + appenderPath_ + ".");
  }
  // NULL goes into a field that takes it; elsewhere, like missing trailing values, it leaves
  // the field blank.
  std::vector<std::string> texts(fieldCount);
  std::vector<bool> isNull(fieldCount);
  for (std::size_t i = 0; i < statement.values.size(); ++i) {
    if (statement.values[i]) {
      texts[i] = *statement.values[i];
    } else {
      isNull[i] = true;
    }
  }
  appender_->Append(texts, isNull);
  appender_->FlushIndex();
}

void FoxProSession::AddIndexTag(const AddIndexTagStatement& statement) {
  CdxStructuralIndex::AddTag(ExistingTablePath(statement.table), statement.tag, DiskFileSystem(),
                             Tables().LockTimeout());
}

void FoxProSession::AddRelation(const AddRelationStatement& statement) {
  const std::string childPath = ExistingTablePath(statement.child);
  const std::string parentPath = ExistingTablePath(statement.parent);
  const auto tagNamed = [](const std::vector<IndexTagInfo>& tags, const std::string& name) {
    return std::find_if(tags.begin(), tags.end(),
                        [&](const IndexTagInfo& tag) { return EqualsIgnoringCase(tag.name, name); }) != tags.end();
  };
  std::string parentTag = statement.parentTag;
  const std::vector<IndexTagInfo> parentTags = CdxStructuralIndex::Tags(parentPath, DiskFileSystem());
  if (parentTag.empty()) {
    for (const IndexTagInfo& tag : parentTags) {
      if (tag.primary) parentTag = tag.name;
    }
    if (parentTag.empty()) throw ado::Failure("Table '" + statement.parent.text + "' has no primary key.");
  } else if (!tagNamed(parentTags, parentTag)) {
    throw ado::Failure("Tag '" + parentTag + "' of table '" + statement.parent.text + "' is not found.");
  }
  // The child's tag is made first: a relation never names a tag that is not there.
  if (!tagNamed(CdxStructuralIndex::Tags(childPath, DiskFileSystem()), statement.childTag)) {
    IndexTagDefinition tag;
    tag.name = statement.childTag;
    tag.expression = statement.expression;
    CdxStructuralIndex::AddTag(childPath, tag, DiskFileSystem(), Tables().LockTimeout());
  }
  Tables().AddRelation(
      {"", TableName(statement.child), statement.childTag, TableName(statement.parent), parentTag, statement.riInfo});
}

void FoxProSession::Drop(const DropTableStatement& statement) { Tables().DropTable(TableName(statement.table)); }

void FoxProSession::Rename(const RenameTableStatement& statement) {
  const std::string to = statement.to.isPath ? StemOf(FileNameOf(PortablePath(statement.to.text))) : statement.to.text;
  Tables().RenameTable(TableName(statement.from), to);
}

std::string FoxProSession::ExistingTablePath(const TableReference& table) {
  if (!table.isPath) {
    return Tables().Resolve(table.text).dbfPath;
  }
  const std::string path = StatementPath(table.text);
  const std::string found = FindPathIgnoringCase(path);
  if (found.empty() || IsFolder(found)) {
    throw ado::Failure("File '" + table.text + "' does not exist.");
  }
  return found;
}

std::string FoxProSession::StatementPath(const std::string& text) const {
  std::string path = PortablePath(text);
  if (ExtensionOf(FileNameOf(path)).empty()) {
    path += ".dbf";
  }
  if (!IsAbsolutePath(path)) {
    path = JoinPath(catalog_->Folder(), path);
  }
  return path;
}

std::string FoxProSession::TableName(const TableReference& table) {
  if (!table.isPath) {
    return table.text;
  }
  // A path names a table of this catalog by its file; files elsewhere are not the catalog's.
  const std::string path = ExistingTablePath(table);
  if (!SameFile(ParentFolder(path), Tables().Folder())) {
    throw ado::Failure("File '" + table.text + "' is not a table of " + Tables().Folder() + ".");
  }
  return StemOf(FileNameOf(path));
}

void FoxProSession::CloseAppender() {
  std::unique_ptr<DbfAppender> appender = std::move(appender_);
  appenderPath_.clear();
  if (appender) {
    appender->Close();
  }
}

}  // namespace foxpro
