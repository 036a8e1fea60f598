#include "platform/foxpro/indexes/CdxContainerKeys.h"

#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/containers/DbcFiles.h"
#include "platform/foxpro/containers/DbcIndex.h"
#include "platform/foxpro/containers/DbcTable.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {
namespace {

constexpr std::uint8_t kPropertyIsUnique = 17;
constexpr std::uint8_t kPropertyPrimaryKey = 20;

std::string FolderOf(const std::string& path) {
  std::string folder = FolderPart(path);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder.empty() ? "." : folder;
}

// The live Table record whose Path property names dbfPath.
const DbcObject& TableRecord(DbcTable& container, const std::string& dbfPath, FileSystem& fs) {
  const std::string folder = FolderOf(container.Path());
  for (const DbcObject& object : container.Objects()) {
    if (object.deleted || object.parentId != 1 || !EqualsIgnoringCase(object.type, "Table")) continue;
    const auto properties = container.Properties(object);
    const auto path = properties.find(kDbcPropertyPath);
    const std::string relative = path != properties.end() ? DbcPropertyText(path->second) : object.name + ".dbf";
    std::string found = ResolveIgnoringCase(fs, folder, relative);
    if (found.empty()) found = ResolveIgnoringCase(fs, folder, FileNameOf(PortablePath(relative)));
    if (!found.empty() && SameFile(found, dbfPath)) return object;
  }
  throw ado::Failure("The table '" + dbfPath + "' is not registered in database container '" + container.Path() + "'.");
}

}  // namespace

std::string ContainerOfTable(const std::string& dbfPath, const DbfHeader& header, FileSystem& fs) {
  if (header.backlink.empty()) return {};
  const std::string found = ResolveIgnoringCase(fs, FolderOf(dbfPath), header.backlink);
  if (found.empty()) {
    throw ado::Failure("The database container '" + header.backlink + "' of table '" + dbfPath + "' does not exist.");
  }
  return found;
}

std::string ContainerPrimaryKey(const std::string& dbcPath, const std::string& dbfPath, FileSystem& fs) {
  DbcTable container(dbcPath, fs);
  const auto properties = container.Properties(TableRecord(container, dbfPath, fs));
  const auto primary = properties.find(kPropertyPrimaryKey);
  return primary == properties.end() ? std::string() : LowerAscii(DbcPropertyText(primary->second));
}

void RegisterContainerTag(const std::string& dbcPath, const std::string& dbfPath, const std::string& tagName,
                          bool primary, bool candidate, FileSystem& fs, long lockTimeoutSeconds) {
  auto lock = fs.Open(dbcPath, OpenMode::ReadWrite);
  LockExclusive(*lock, lockTimeoutSeconds);
  DbcTable container(dbcPath, fs);
  const DbcObject table = TableRecord(container, dbfPath, fs);
  const std::string name = LowerAscii(tagName);
  container.Append({{table.objectId, "Index", name, {{kPropertyIsUnique, std::string(1, candidate ? '\x01' : '\0')}}}});
  if (primary) {
    std::vector<std::pair<std::uint8_t, std::string>> properties;
    for (const auto& [id, value] : container.Properties(table)) {
      if (id != kPropertyPrimaryKey) properties.emplace_back(static_cast<std::uint8_t>(id), value);
    }
    properties.emplace_back(kPropertyPrimaryKey, name + std::string(1, '\0'));
    container.Rewrite(table.record, table.name, properties);
  }
  DbcIndex::Rebuild(container, fs);
}

}  // namespace foxpro
