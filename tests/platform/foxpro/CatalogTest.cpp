#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/foxpro/containers/FolderCatalog.h"
#include "platform/foxpro/tables/DbfReader.h"
#include "platform/foxpro/tables/TableNames.h"
#include "support/MakeTempFolder.h"

namespace foxpro {
namespace {

namespace fs = std::filesystem;

class ScratchFolder {
 public:
  ScratchFolder() { path_ = support::MakeTempFolder("foxcat").string(); }
  ~ScratchFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  void Touch(const std::string& name) const { std::ofstream(path_ + "/" + name) << "x"; }

 private:
  std::string path_;
};

TEST(ShortFieldNames, CutsToTenAndNumbersClashesTheWayFoxProDoes) {
  EXPECT_EQ(ShortFieldNames({"expensecategoryid", "expensecategory", "expensecategoryaccount"}),
            (std::vector<std::string>{"EXPENSECAT", "EXPENSECA2", "EXPENSECA3"}));
  EXPECT_EQ(ShortFieldNames({"EMPNO", "Hire_Date", "PRICE-1"}),
            (std::vector<std::string>{"EMPNO", "HIRE_DATE", "PRICE-1"}));
}

TEST(ShortFieldNames, NeverLosesAColumn) {
  // Same names in another letter case, and a later name that equals a number given earlier.
  EXPECT_EQ(ShortFieldNames({"a", "A", "a"}), (std::vector<std::string>{"A", "A2", "A3"}));
  EXPECT_EQ(ShortFieldNames({"ABCDEFGHIJK", "ABCDEFGHIJL", "ABCDEFGHI2"}),
            (std::vector<std::string>{"ABCDEFGHIJ", "ABCDEFGHI2", "ABCDEFGHI3"}));
  std::vector<std::string> many(12, "customer_name");
  const std::vector<std::string> shortNames = ShortFieldNames(many);
  EXPECT_EQ(shortNames[0], "CUSTOMER_N");
  EXPECT_EQ(shortNames[8], "CUSTOMER_9");
  EXPECT_EQ(shortNames[9], "CUSTOMER10");
  EXPECT_EQ(shortNames[11], "CUSTOMER12");
  for (const std::string& name : shortNames) {
    EXPECT_LE(name.size(), 10u);
  }
}

TEST(ShortFieldNames, RejectsNamesADbfCannotHold) {
  for (const std::string& bad : std::vector<std::string>{"", "A B", "NAM\xC3\x89", std::string("A\0B", 3)}) {
    EXPECT_THROW(ShortFieldNames({"OK", bad}), ado::Failure) << bad;
  }
}

TEST(CheckNewTableName, RefusesNamesThatTrimToAnotherOrEndAQuote) {
  for (const std::string bad : {"", " ", "region ", " region", "back`q", "it's", "a/b", "a\\b", ".", ".."}) {
    EXPECT_THROW(CheckNewTableName(bad), ado::Failure) << "[" << bad << "]";
  }
  for (const std::string good : {"region", "order lines", "-ok", "Grüße"}) EXPECT_NO_THROW(CheckNewTableName(good));
}

TEST(FindPathIgnoringCase, FindsEveryPartWhateverItsLetterCaseAndPrefersTheExactOne) {
  ScratchFolder folder;
  fs::create_directories(folder / "Data/Sub");
  folder.Touch("Data/Sub/EMP.DBF");
  EXPECT_EQ(FindPathIgnoringCase(folder / "data/SUB/emp.dbf"), folder / "Data/Sub/EMP.DBF");
  EXPECT_EQ(FindPathIgnoringCase(folder / "DATA/sub"), folder / "Data/Sub");
  folder.Touch("Data/Sub/emp.dbf");
  EXPECT_EQ(FindPathIgnoringCase(folder / "Data/Sub/emp.dbf"), folder / "Data/Sub/emp.dbf");
  EXPECT_EQ(FindPathIgnoringCase(folder / "data/sub/ghost.dbf"), "");
  EXPECT_EQ(FindPathIgnoringCase(folder / "nothing/emp.dbf"), "");
  EXPECT_EQ(FindPathIgnoringCase(""), "");
}

TEST(FolderCatalog, ListsDbfFilesOnlyAsLowerCaseTables) {
  ScratchFolder folder;
  for (const char* name : {"Orders.DBF", "orders.dbf", "emp.Dbf", "emp.fpt", "db.dbc", "notes.txt", ".dbf", "dbf"}) {
    folder.Touch(name);
  }
  fs::create_directory(folder / "dir.dbf");
  FolderCatalog catalog(folder.Path() + "/");
  EXPECT_EQ(catalog.Folder(), folder.Path());
  std::vector<std::string> names;
  for (const CatalogEntry& entry : catalog.Entries()) {
    EXPECT_EQ(entry.type, "TABLE");
    names.push_back(entry.name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"emp", "orders"}));
}

TEST(FolderCatalog, ResolvesNamesToTheirFileWithoutRegardToLetterCase) {
  ScratchFolder folder;
  folder.Touch("EMP.DBF");
  FolderCatalog catalog(folder.Path());
  const TableLocation location = catalog.Resolve("emp");
  EXPECT_EQ(location.dbfPath, folder / "EMP.DBF");
  EXPECT_TRUE(location.fieldNames.empty());
  for (const char* bad : {"ghost", "", "../EMP", "sub/EMP", "..\\EMP"}) {
    EXPECT_THROW(catalog.Resolve(bad), ado::Failure) << bad;
  }
}

TEST(FolderCatalog, CreatesEveryColumnTypeItIsGiven) {
  ScratchFolder folder;
  FolderCatalog catalog(folder.Path());
  std::vector<ColumnDefinition> columns{{"name", 'C', 20, 0, false, false},
                                        {"amount", 'N', 10, 2, false, false},
                                        {"notes", 'M', 0, 0, true, false},
                                        {"raw", 'M', 0, 0, false, true},
                                        {"photo", 'W', 0, 0, false, false},
                                        {"when", 'T', 0, 0, false, false},
                                        {"a_very_long_name", 'I', 0, 0, false, false},
                                        {"a_very_long_other", 'L', 0, 0, false, false}};
  catalog.CreateTable(folder / "All.dbf", columns);
  auto reader = DbfReader::Open(folder / "All.dbf");
  const std::vector<DbfField>& fields = reader->Fields();
  ASSERT_EQ(fields.size(), columns.size());
  EXPECT_EQ(fields[0].name, "NAME");
  EXPECT_EQ(fields[0].length, 20);
  EXPECT_EQ(fields[1].type, 'N');
  EXPECT_EQ(fields[1].decimals, 2);
  EXPECT_TRUE(fields[2].IsNullable());
  EXPECT_FALSE(fields[3].IsNullable());
  EXPECT_TRUE(fields[3].IsBinary());
  EXPECT_EQ(fields[4].type, 'W');
  EXPECT_EQ(fields[6].name, "A_VERY_LON");
  EXPECT_EQ(fields[7].name, "A_VERY_LO2");
  EXPECT_EQ(reader->RecordCount(), 0u);
  EXPECT_THROW(catalog.CreateTable(folder / "ALL.DBF", {{"x", 'M'}}), ado::Failure);
}

TEST(FolderCatalog, CreateRefusesColumnsTheTableCannotHold) {
  ScratchFolder folder;
  FolderCatalog catalog(folder.Path());
  EXPECT_THROW(catalog.CreateTable(folder / "a.dbf", {{"bad name", 'M'}}), ado::Failure);
  EXPECT_THROW(catalog.CreateTable(folder / "b.dbf", {{"wide", 'C', 300}}), ado::Failure);
  EXPECT_FALSE(fs::exists(folder / "a.dbf"));
  EXPECT_FALSE(fs::exists(folder / "b.dbf"));
}

TEST(FolderCatalog, DropAndRenameRefuseAFileThatIsNoTable) {
  // x.dbf is a text file: it lists (by its name), but dropping or renaming it must not delete
  // or move it, nor the x.fpt beside it.
  ScratchFolder folder;
  folder.Touch("x.dbf");
  folder.Touch("x.fpt");
  FolderCatalog catalog(folder.Path());
  EXPECT_FALSE(IsTableFile(folder / "x.dbf"));
  EXPECT_THROW(catalog.DropTable("x"), ado::Failure);
  EXPECT_THROW(catalog.RenameTable("x", "y"), ado::Failure);
  EXPECT_TRUE(fs::exists(folder / "x.dbf"));
  EXPECT_TRUE(fs::exists(folder / "x.fpt"));
  catalog.CreateTable(folder / "t.dbf", {{"a", 'M'}});
  EXPECT_TRUE(IsTableFile(folder / "t.dbf"));
}

}  // namespace
}  // namespace foxpro
