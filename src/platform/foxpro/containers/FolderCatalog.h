#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/foxpro/containers/Catalog.h"

namespace foxpro {

/// A folder of free tables: every .dbf file in it is a table named after the file (lower case,
/// without extension); field names are the ones the .dbf stores.
class FolderCatalog : public Catalog {
 public:
  /// folder must exist (the provider checks it).
  explicit FolderCatalog(std::string folder);

  std::string Folder() const override { return folder_; }
  std::vector<CatalogEntry> Entries() override;
  TableLocation Resolve(std::string_view name) override;
  /// Field names longer than 10 characters are cut, clashes numbered (ShortFieldNames).
  void CreateTable(const std::string& dbfPath, const std::vector<ColumnDefinition>& columns, int codePage = 0) override;
  void DropTable(std::string_view name) override;
  void RenameTable(std::string_view oldName, std::string_view newName) override;

 private:
  /// The table's files: the .dbf first, then its .fpt and .cdx companions, as spelled on disk.
  std::vector<std::string> TableFiles(std::string_view name);
  /// The same, failing unless the .dbf reads as a table.
  std::vector<std::string> OwnTableFiles(std::string_view name);

  std::string folder_;
};

}  // namespace foxpro
