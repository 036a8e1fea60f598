#include "platform/foxpro/containers/FolderCatalog.h"

#include <algorithm>
#include <utility>

#include "platform/ado/Failure.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/files/TableLocks.h"
#include "platform/foxpro/tables/CodePage.h"
#include "platform/foxpro/tables/DbfWriter.h"
#include "platform/foxpro/tables/TableFields.h"
#include "platform/foxpro/tables/TableNames.h"

namespace foxpro {

namespace {

// Companion files that belong to a table and follow it when it is dropped or renamed.
constexpr std::string_view kCompanionExtensions[] = {"fpt", "cdx"};

bool IsCompanion(std::string_view extension) {
  return std::any_of(std::begin(kCompanionExtensions), std::end(kCompanionExtensions),
                     [&](std::string_view e) { return EqualsIgnoringCase(e, extension); });
}

// A table name must stay a plain file name inside the folder.
void CheckTableName(std::string_view name) {
  const bool bad = name.empty() || name == "." || name == ".." ||
                   name.find_first_of(std::string_view("/\\\0", 3)) != std::string_view::npos;
  if (bad) {
    throw ado::Failure("Invalid path or file name: table name \"" + std::string(name) + "\".");
  }
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Files of the folder whose name is stem plus one of the companion extensions.
std::vector<std::string> CompanionsOf(const std::string& folder, std::string_view stem) {
  std::vector<std::string> found;
  if (!IsFolder(folder)) return found;  // the table's own creation reports the missing folder
  for (const FolderEntry& entry : ListFolder(folder)) {
    const std::string& name = entry.name;
    if (EqualsIgnoringCase(StemOf(name), stem) && name.size() > stem.size() && IsCompanion(ExtensionOf(name))) {
      found.push_back(name);
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

FolderCatalog::FolderCatalog(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') {
    folder_.pop_back();
  }
}

std::vector<CatalogEntry> FolderCatalog::Entries() {
  std::vector<std::string> names;
  for (const FolderEntry& entry : ListFolder(folder_)) {
    const std::string& fileName = entry.name;
    if (EqualsIgnoringCase(ExtensionOf(fileName), "dbf") && fileName.size() > 4 && entry.isFile) {
      names.push_back(LowerAscii(StemOf(fileName)));
    }
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  std::vector<CatalogEntry> entries;
  entries.reserve(names.size());
  for (std::string& name : names) {
    entries.push_back(CatalogEntry{"TABLE", std::move(name)});
  }
  return entries;
}

std::vector<std::string> FolderCatalog::TableFiles(std::string_view name) {
  CheckTableName(name);
  const std::string fileName = std::string(name) + ".dbf";
  const std::vector<std::string> matches = MatchingFileNames(folder_, fileName);
  if (matches.empty()) {
    throw ado::Failure("File '" + Join(folder_, fileName) + "' does not exist.");
  }
  std::vector<std::string> files{matches.front()};
  for (std::string& companion : CompanionsOf(folder_, StemOf(matches.front()))) {
    files.push_back(Join(folder_, companion));
  }
  files.front() = Join(folder_, files.front());
  return files;
}

TableLocation FolderCatalog::Resolve(std::string_view name) { return TableLocation{TableFiles(name).front(), {}}; }

void FolderCatalog::CreateTable(const std::string& dbfPath, const std::vector<ColumnDefinition>& columns,
                                int codePage) {
  const std::string folder = FolderPart(dbfPath);
  const std::string fileName = FileNameOf(dbfPath);
  CheckNewTableName(StemOf(fileName));
  const FolderCreationLock lock(folder);
  if (!MatchingFileNames(folder, fileName).empty()) {
    throw ado::Failure("File '" + dbfPath + "' already exists.");
  }
  const std::vector<NewField> fields = DbfFieldsFor(columns);
  // Memo and index files left behind by an earlier table of this name would be taken for the
  // new table's own.
  for (const std::string& stale : CompanionsOf(folder.empty() ? std::string(".") : folder, StemOf(fileName))) {
    DiskFileSystem().Remove(folder + stale);
  }
  CreateOptions options;
  if (codePage != 0) options.codePageMark = MarkForCodePage(codePage);
  CreateVfpTable(dbfPath, fields, options);
}

std::vector<std::string> FolderCatalog::OwnTableFiles(std::string_view name) {
  std::vector<std::string> files = TableFiles(name);
  // Only a file that is a table takes its name's companions with it.
  if (!IsTableFile(files.front())) {
    throw ado::Failure("File '" + files.front() + "' is not a table; nothing was changed.");
  }
  return files;
}

void FolderCatalog::DropTable(std::string_view name) {
  const std::vector<std::string> files = OwnTableFiles(name);
  // A writer that is appending finishes its statement first.
  const auto lock = OpenLocked(DiskFileSystem(), files.front(), LockTimeout());
  for (const std::string& file : files) {
    DiskFileSystem().Remove(file);
  }
}

void FolderCatalog::RenameTable(std::string_view oldName, std::string_view newName) {
  CheckNewTableName(newName);
  const std::vector<std::string> files = OwnTableFiles(oldName);
  // The target name must be free, companions included (a stray memo file would be taken for
  // the renamed table's); a change of letter case only finds the table's own files.
  for (std::string_view extension : {std::string_view("dbf"), kCompanionExtensions[0], kCompanionExtensions[1]}) {
    for (const std::string& existing :
         MatchingFileNames(folder_, std::string(newName) + "." + std::string(extension))) {
      const std::string existingPath = Join(folder_, existing);
      if (std::find(files.begin(), files.end(), existingPath) == files.end()) {
        throw ado::Failure("File '" + existingPath + "' already exists.");
      }
    }
  }
  std::vector<std::pair<std::string, std::string>> moves;
  for (const std::string& file : files) {
    moves.emplace_back(file, Join(folder_, std::string(newName) + "." + ExtensionOf(FileNameOf(file))));
  }
  for (std::size_t i = 0; i < moves.size(); ++i) {
    try {
      RenameReplacing(moves[i].first, moves[i].second);
    } catch (const ado::Failure&) {
      // Put back what was moved, so the table is never split across two names; the first
      // failure is the one to tell.
      for (std::size_t j = i; j-- > 0;) {
        try {
          RenameReplacing(moves[j].second, moves[j].first);
        } catch (const ado::Failure&) {
        }
      }
      throw;
    }
  }
}

}  // namespace foxpro
