#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/containers/FolderCatalog.h"
#include "platform/foxpro/files/FileIo.h"
#include "platform/foxpro/tables/TableNames.h"
#include "support/MakeTempFolder.h"

namespace foxpro {
namespace {

namespace fs = std::filesystem;

// The test's own files are made with std::filesystem, which on Windows needs the UTF-8 name
// as char8_t and the \\?\ prefix past 260 characters; the engine gets the plain UTF-8 path.
fs::path Native(const std::string& utf8) {
  fs::path path(std::u8string(utf8.begin(), utf8.end()));
#ifdef _WIN32
  path = fs::path(L"\\\\?\\" + fs::absolute(path).make_preferred().wstring());
#endif
  return path;
}

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.generic_u8string();
  return std::string(text.begin(), text.end());
}

TEST(FilePaths, ParentFolderAndFileNameSplitAtTheLastSeparatorAndKeepRoots) {
  const struct {
    std::string path, parent, name;
  } cases[] = {
      {"data/shop.dbc", "data", "shop.dbc"},
      {"a/b/c.dbf", "a/b", "c.dbf"},
      {"/shop.dbc", "/", "shop.dbc"},
      {"shop.dbc", ".", "shop.dbc"},
      {"C:/shop.dbc", "C:/", "shop.dbc"},
      {"//server/share/shop.dbc", "//server/share", "shop.dbc"},
      {"Daten-Größe/日本.dbc", "Daten-Größe", "日本.dbc"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;
    EXPECT_EQ(FileNameOf(c.path), c.name) << c.path;
  }
}

TEST(FilePaths, RelativePathLeadsFromTheFolderToTheFileWithTheSystemsSeparators) {
  const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
  const struct {
    std::string from, to, relative;
  } cases[] = {
      {"data", "data/shop.dbf", "shop.dbf"},
      {"data/dbc", "data/tables/shop.dbf", ".." + sep + "tables" + sep + "shop.dbf"},
      {"data/./dbc/", "data/x/../Größe/日本.dbf", ".." + sep + "Größe" + sep + "日本.dbf"},
  };
  for (const auto& c : cases) EXPECT_EQ(RelativePath(c.from, c.to), c.relative) << c.from << " -> " << c.to;
}

// Folders Windows' narrow calls cannot reach: a name outside the ANSI code page and a path
// past 260 characters.
TEST(DiskFolders, FoldersWithUnicodeNamesOrLongPathsAreListedAndTheirTablesFound) {
  const std::string root = Utf8(support::MakeTempFolder("fileio"));
  std::string longPath = root;
  while (longPath.size() < 300) longPath += "/nested-folder-with-a-long-name";
  for (const std::string& folder : {root + "/Daten-Größe-Ünïcode-日本", longPath}) {
    fs::create_directories(Native(folder + "/sub"));
    std::ofstream(Native(folder + "/Größe.DBF")) << "x";
    EXPECT_TRUE(IsFolder(folder)) << folder;
    EXPECT_FALSE(IsFolder(folder + "/Größe.DBF")) << folder;
    std::vector<FolderEntry> entries = ListFolder(folder);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    ASSERT_EQ(entries.size(), 2u) << folder;
    EXPECT_EQ(entries[0].name, "Größe.DBF");
    EXPECT_TRUE(entries[0].isFile);
    EXPECT_EQ(entries[1].name, "sub");
    EXPECT_FALSE(entries[1].isFile);
    EXPECT_TRUE(EqualsIgnoringCase(FindPathIgnoringCase(folder + "/größe.dbf"), folder + "/Größe.DBF")) << folder;
    EXPECT_EQ(FolderCatalog(folder).Entries().size(), 1u) << folder;
  }
  EXPECT_THROW(ListFolder(root + "/none"), ado::Failure);
  std::error_code error;
  fs::remove_all(Native(root), error);  // mingw's remove_all stops at long paths; a temporary folder may stay
}

}  // namespace
}  // namespace foxpro
