#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "connections/Foxpro.h"
#include "connections/ListBox.h"
#include "support/FakeWindowParts.h"
#include "support/ScriptedPrompter.h"

namespace connections {
namespace {

namespace fs = std::filesystem;
using support::FakeConnectionFields;
using support::FakeTablesWindow;
using Names = std::vector<std::string>;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Names folded to lower case and sorted: the engine decides the letter case it reports.
Names Folded(Names names) {
  for (auto& name : names) name = Lower(name);
  std::sort(names.begin(), names.end());
  return names;
}

// A writable copy of one folder of the FoxPro test data.
class FoxProCatalogTest : public ::testing::Test {
 protected:
  std::string CopyOf(const std::string& folder) {
    const fs::path target = fs::path(m_temp.path().toStdString()) / fs::path(folder).filename();
    fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / folder, target, fs::copy_options::recursive);
    return target.string();
  }
  Names Load(const std::string& connectionString) {
    LoadFoxProTables(m_list, connectionString);
    return FakeTablesWindow::Items(m_list);
  }
  static std::string FreeTables(const std::string& folder) {
    return "Provider=vfpoledb.1;Data Source=" + folder + ";Collating Sequence=general;";
  }
  static std::string Container(const std::string& dbc) {
    return "Provider=vfpoledb.1;Data Source=" + dbc + ";Collating Sequence=machine;";
  }

  QTemporaryDir m_temp;
  ListBox m_list;
};

TEST_F(FoxProCatalogTest, FreeTableFolderListsEachTableOnce) {
  const std::string folder = CopyOf("dbffile");
  const Names listed = Load(FreeTables(folder));
  EXPECT_EQ(Folded(listed), (Names{"dbase_currency", "pyacfl", "vfp9_30", "vfp9_30_memo", "vfp9_memo_bs1"}));
  EXPECT_EQ(m_list.ListIndex(), -1);
  EXPECT_EQ(Load(FreeTables(folder + "/")), listed);  // a trailing separator names the same folder
}

TEST_F(FoxProCatalogTest, EmptyFolderGivesAnEmptyList) {
  const fs::path empty = fs::path(m_temp.path().toStdString()) / "empty";
  fs::create_directory(empty);
  FakeTablesWindow::Fill(m_list, {"stale"});
  EXPECT_TRUE(Load(FreeTables(empty.string())).empty());
}

TEST_F(FoxProCatalogTest, ContainerListsItsTablesButNotItsViews) {
  const std::string northwind = CopyOf("northwind");
  EXPECT_EQ(
      Folded(Load(Container(northwind + "/northwind.dbc"))),
      Folded({"Categories", "Customers", "Employees", "OrderDetails", "Orders", "Products", "Shippers", "Suppliers",
              "Territories", "EmployeeTerritories", "CustomerDemographics", "CustomerCustomerDemo", "Region"}));
  const std::string books = CopyOf("vfp9-xsource-books");
  EXPECT_EQ(Folded(Load(Container(books + "/Books.DBC"))),
            (Names{"authors", "auto_ids", "bookauth", "books", "topics"}));
}

TEST_F(FoxProCatalogTest, WrongPathFailsAndLeavesTheListAsItWas) {
  FakeTablesWindow::Fill(m_list, {"kept"});
  const std::string missing = m_temp.path().toStdString() + "/no-such-folder";
  EXPECT_THROW(LoadFoxProTables(m_list, FreeTables(missing)), std::exception);
  EXPECT_THROW(LoadFoxProTables(m_list, Container(missing + "/x.dbc")), std::exception);
  EXPECT_EQ(FakeTablesWindow::Items(m_list), (Names{"kept"}));
}

TEST_F(FoxProCatalogTest, TestConnectionAndCheckOnRealFolders) {
  FakeConnectionFields fields;
  fields.dbcFile = CopyOf("vfp9-xsource-books") + "/Books.DBC";
  fields.freeTableFolder = CopyOf("dbfread");
  support::ScriptedPrompter prompter;
  support::FakeMousePointer pointer;
  prompter.ExpectMsgBox("Connection successful.", vbOKOnly, "")
      .ExpectMsgBox("Connection successful.", vbOKOnly, "")
      .ExpectMsgBox("Could not connect.", vbOKOnly, "");
  fields.dbcMode = true;
  EXPECT_TRUE(CheckFoxProConnection(fields));
  TestFoxProConnection(prompter, pointer, fields);
  fields.dbcMode = false;
  EXPECT_TRUE(CheckFoxProConnection(fields));
  TestFoxProConnection(prompter, pointer, fields);
  fields.freeTableFolder += "/missing";
  EXPECT_FALSE(CheckFoxProConnection(fields));
  TestFoxProConnection(prompter, pointer, fields);
  prompter.ExpectAllUsed();
}

}  // namespace
}  // namespace connections
