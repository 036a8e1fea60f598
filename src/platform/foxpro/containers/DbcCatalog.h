#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/foxpro/containers/Catalog.h"
#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/files/FileIo.h"

namespace foxpro {

/// The tables and views of a database container (.dbc). Tables are found through the
/// container's records; new tables are registered in it the way Visual FoxPro does, and its
/// structural index is rebuilt after every change.
class DbcCatalog : public Catalog {
 public:
  /// Fails (ado::Failure naming the path) when the file is missing or not a container.
  explicit DbcCatalog(const std::string& dbcPath, FileSystem& fs = DiskFileSystem());
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

  FileSystem& fs_;
  std::string folder_;
  std::unique_ptr<DbcTable> table_;
};

}  // namespace foxpro
