#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/maintenance/DeleteTables.h"
#include "commands/maintenance/RenameTables.h"
#include "connections/Foxpro.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "support/FakeWindowParts.h"

namespace maintenance {
namespace {

namespace fs = std::filesystem;
using support::FakeTablesWindow;
using Names = std::vector<std::string>;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// File names of a folder, lower case, sorted.
Names FilesIn(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(Lower(entry.path().filename().string()));
  std::sort(names.begin(), names.end());
  return names;
}

// Every row of a table, each value as text, fields separated by "|".
Names Rows(const std::string& connectionString, const std::string& table) {
  ado::Connection connection;
  connection.Open(connectionString);
  ado::Recordset rows;
  rows.Open("SELECT * FROM `" + table + "`", connection);
  Names out;
  for (; !rows.Eof(); rows.MoveNext()) {
    std::string line;
    for (int i = 0; i < rows.FieldCount(); ++i)
      line += rows.Fields(i).Name + "=" + ado::ValueToText(rows.Fields(i).Value) + "|";
    out.push_back(line);
  }
  return out;
}

class FoxProMaintenanceTest : public ::testing::Test {
 protected:
  fs::path CopyOf(const std::string& folder) {
    const fs::path target = fs::path(m_temp.path().toStdString()) / fs::path(folder).filename();
    fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / folder, target, fs::copy_options::recursive);
    return target;
  }
  void UseFreeTables(const fs::path& folder) {
    w.fields.dbcMode = false;
    w.fields.freeTableFolder = folder.string();
  }
  void UseContainer(const fs::path& dbc) {
    w.fields.dbcMode = true;
    w.fields.dbcFile = dbc.string();
  }
  // Fills List1 from the catalog, as the tables window's load does.
  void LoadList1() { connections::LoadFoxProTables(w.list1, connections::FoxProConnectionString(w.fields)); }
  // The listed name whose lower case is name.
  std::string Listed(const std::string& name) {
    for (const auto& item : FakeTablesWindow::Items(w.list1))
      if (Lower(item) == name) return item;
    ADD_FAILURE() << name << " is not listed";
    return name;
  }
  void SelectOnly(const Names& lowerNames) {
    for (int i = w.list1.ListCount() - 1; i >= 0; --i) {
      const bool wanted = std::find(lowerNames.begin(), lowerNames.end(), Lower(w.list1.List(i))) != lowerNames.end();
      w.list1.SetSelected(i, wanted);
      if (wanted) w.list1.SetListIndex(i);
    }
  }
  Names FoldedList() {
    Names names;
    for (const auto& item : FakeTablesWindow::Items(w.list1)) names.push_back(Lower(item));
    return names;
  }

  QTemporaryDir m_temp;
  FakeTablesWindow w;
};

TEST_F(FoxProMaintenanceTest, DeleteRemovesFreeTablesWithTheirMemoFilesAndNames) {
  const fs::path folder = CopyOf("dbffile");
  UseFreeTables(folder);
  LoadList1();
  SelectOnly({"pyacfl", "vfp9_30_memo"});
  DeleteFoxProTables(w.parts);
  w.prompter.ExpectAllUsed();
  EXPECT_EQ(FoldedList(), (Names{"dbase_currency", "vfp9_30", "vfp9_memo_bs1"}));
  EXPECT_EQ(FilesIn(folder), (Names{"dbase_currency.dbf", "vfp9_30.dbf", "vfp9_memo_bs1.dbf", "vfp9_memo_bs1.fpt"}));
  LoadList1();
  EXPECT_EQ(FoldedList(), (Names{"dbase_currency", "vfp9_30", "vfp9_memo_bs1"}));
}

TEST_F(FoxProMaintenanceTest, DeleteRemovesAContainerTable) {
  const fs::path books = CopyOf("vfp9-xsource-books");
  UseContainer(books / "Books.DBC");
  LoadList1();
  SelectOnly({"topics"});
  DeleteFoxProTables(w.parts);
  w.prompter.ExpectAllUsed();
  EXPECT_EQ(FoldedList(), (Names{"authors", "auto_ids", "bookauth", "books"}));
  LoadList1();
  EXPECT_EQ(FoldedList(), (Names{"authors", "auto_ids", "bookauth", "books"}));
  const Names files = FilesIn(books);
  EXPECT_EQ(std::count(files.begin(), files.end(), "topics.dbf"), 0);
}

TEST_F(FoxProMaintenanceTest, RenamedFreeTableWithMemosReadsTheSame) {
  const fs::path folder = CopyOf("dbffile");
  UseFreeTables(folder);
  const std::string connection = connections::FoxProConnectionString(w.fields);
  LoadList1();
  const std::string old = Listed("vfp9_30_memo");
  const Names before = Rows(connection, old);
  ASSERT_FALSE(before.empty());
  SelectOnly({"vfp9_30_memo"});
  w.prompter.ExpectInputBox("Enter new name of " + old + ":", "", old, "Renamed_Memo");
  RenameFoxProTable(w.parts);
  w.prompter.ExpectAllUsed();
  EXPECT_EQ(FoldedList(), (Names{"dbase_currency", "pyacfl", "renamed_memo", "vfp9_30", "vfp9_memo_bs1"}));
  EXPECT_EQ(w.list1.ListIndex(), 0);
  EXPECT_EQ(Rows(connection, "Renamed_Memo"), before);
  EXPECT_THROW(Rows(connection, old), std::exception);
  LoadList1();
  EXPECT_EQ(FoldedList(), (Names{"dbase_currency", "pyacfl", "renamed_memo", "vfp9_30", "vfp9_memo_bs1"}));
}

TEST_F(FoxProMaintenanceTest, RenamedContainerTableReadsTheSame) {
  const fs::path books = CopyOf("vfp9-xsource-books");
  UseContainer(books / "Books.DBC");
  const std::string connection = connections::FoxProConnectionString(w.fields);
  LoadList1();
  const std::string old = Listed("authors");
  const Names before = Rows(connection, old);
  ASSERT_EQ(before.size(), 5u);
  SelectOnly({"authors"});
  w.prompter.ExpectInputBox("Enter new name of " + old + ":", "", old, "writers");
  RenameFoxProTable(w.parts);
  w.prompter.ExpectAllUsed();
  EXPECT_EQ(Rows(connection, "writers"), before);
  LoadList1();
  EXPECT_EQ(FoldedList(), (Names{"auto_ids", "bookauth", "books", "topics", "writers"}));
}

TEST_F(FoxProMaintenanceTest, RenameToATakenNameReportsAndKeepsBothTables) {
  const fs::path folder = CopyOf("dbfread");
  UseFreeTables(folder);
  const std::string connection = connections::FoxProConnectionString(w.fields);
  LoadList1();
  const std::string old = Listed("people");
  const Names before = Rows(connection, old);
  SelectOnly({"people"});
  w.prompter.ExpectInputBox("Enter new name of " + old + ":", "", old, "memotest")
      .ExpectFailureReport("Form2.PushButton6_Click", 134);
  RenameFoxProTable(w.parts);
  w.prompter.ExpectAllUsed();
  EXPECT_EQ(Rows(connection, old), before);
  LoadList1();
  EXPECT_EQ(FoldedList(), (Names{"memotest", "no_memofile", "people"}));
}

}  // namespace
}  // namespace maintenance
