#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foxpro/containers/Catalog.h"
#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/CodePage.h"

namespace foxpro {

/// What a container records about one field beyond its .dbf declaration: texts as UTF-8,
/// empty where the container records none.
struct FieldDeclaration {
  std::string name;  ///< the long name
  std::string defaultValue;
  std::string comment;
  std::string caption;
  std::string rule;
  std::string ruleText;
  std::string format{};
  std::string inputMask{};
  bool operator==(const FieldDeclaration&) const = default;
};

/// A table's comment and its fields' declarations in field order.
struct TableDeclaration {
  std::string comment;
  std::vector<FieldDeclaration> fields;
  bool operator==(const TableDeclaration&) const = default;
};

/// A local view of a container: its name and the SELECT it runs (UTF-8).
struct ViewDefinition {
  std::string name;
  std::string sql;
};

/// The tables and views of a database container (.dbc). Tables are found through the
/// container's records; new tables are registered in it the way Visual FoxPro does, and its
/// structural index is rebuilt after every change.
class DbcCatalog : public Catalog {
 public:
  /// Fails (ado::Failure naming the path) when the file is missing or not a container.
  explicit DbcCatalog(const std::string& dbcPath, FileSystem& fs = DiskFileSystem(),
                      int unmarkedCodePage = kOemDefaultCodePage);
  ~DbcCatalog() override;

  /// Creates an empty container at dbcPath (its .dct memo and .dcx index beside it) with the
  /// five Database records Visual FoxPro starts every container with. Fails, creating nothing,
  /// when any of the three files exists; codePage 0 means 1252.
  static void CreateEmpty(const std::string& dbcPath, int codePage = 0, FileSystem& fs = DiskFileSystem());

  std::string Folder() const override;
  std::vector<CatalogEntry> Entries() override;
  TableLocation Resolve(std::string_view name) override;
  void CreateTable(const std::string& dbfPath, const std::vector<ColumnDefinition>& columns, int codePage = 0) override;
  void DropTable(std::string_view name) override;
  void RenameTable(std::string_view oldName, std::string_view newName) override;
  std::vector<Relation> Relations() override;
  void AddRelation(const Relation& relation) override;

  const DbcTable& Table() const { return *table_; }

  /// The table's comment and its fields' defaults, comments, captions and rules.
  TableDeclaration Declaration(std::string_view table);
  /// The container's views, in record order.
  std::vector<ViewDefinition> Views();
  /// Records them on the table's records (fields matched by long name, letter case ignored),
  /// keeping the other properties; fails naming the field when one is not in the table or a
  /// text has no spelling in the container's code page.
  void Declare(std::string_view table, const TableDeclaration& declaration);

 private:
  /// The live Table or View record of that name, or nullptr.
  const DbcObject* Find(std::string_view name, bool viewsToo) const;
  const DbcObject& FindTable(std::string_view name) const;
  /// The table's .dbf as spelled on disk; empty when its file is missing.
  std::string TableFile(const DbcObject& table);
  std::vector<std::string> FilesOf(const std::string& dbfPath);
  /// Fails, naming the file, unless dbfPath is a table whose link names this container.
  void CheckOwnTable(const DbcObject& table, const std::string& dbfPath);
  /// The container opened and locked against other writers until the result is closed.
  std::unique_ptr<File> LockContainer();
  std::vector<const DbcObject*> FieldsOf(const DbcObject& table) const;

  FileSystem& fs_;
  std::string folder_;
  std::unique_ptr<DbcTable> table_;
};

}  // namespace foxpro
