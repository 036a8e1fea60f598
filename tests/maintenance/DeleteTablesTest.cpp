#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/maintenance/DeleteTables.h"
#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "support/FakeWindowParts.h"
#include "support/ScriptedProvider.h"

namespace maintenance {
namespace {

using connections::vbDefault;
using connections::vbHourglass;
using support::FakeTablesWindow;
using support::ScriptedProvider;
using Names = std::vector<std::string>;

class DeleteTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.fields.oracleServer = "ORCL";
    w.fields.oracleUser = "scott";
    w.fields.oraclePassword = "tiger";
    w.fields.dbcFile = "/data/shop.dbc";
    w.fields.freeTableFolder = "/data/free";
    FakeTablesWindow::Fill(w.list1, {"a", "B", "c", "d"});
    FakeTablesWindow::Fill(w.list2, {"EMP", "DEPT", "MyTable"});
  }
  void TearDown() override { w.prompter.ExpectAllUsed(); }

  ScriptedProvider::Registration foxpro = ScriptedProvider::Install("vfpoledb.1");
  ScriptedProvider::Registration oracle = ScriptedProvider::Install("");
  FakeTablesWindow w;
};

TEST_F(DeleteTablesTest, FoxProDropsSelectedTablesBottomUpBetweenBackQuotes) {
  FakeTablesWindow::Select(w.list1, {"a", "B", "d"});
  w.list1.SetListIndex(3);
  DeleteFoxProTables(w.parts);
  EXPECT_EQ(foxpro->Executed(), (Names{"DROP TABLE `d`", "DROP TABLE `B`", "DROP TABLE `a`"}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list1), (Names{"c"}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"DEPT", "EMP", "MyTable"}));
  EXPECT_EQ(foxpro->Opened(), (Names{"Provider=vfpoledb.1;Data Source=/data/shop.dbc;Collating Sequence=machine;"}));
  EXPECT_EQ(foxpro->LastSettings().cursorLocation, 2);
  EXPECT_TRUE(oracle->Opened().empty());
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
  EXPECT_TRUE(w.prompter.Asked().empty());
  EXPECT_EQ(foxpro->OpenSessions(), foxpro->ClosedSessions());
}

TEST_F(DeleteTablesTest, FoxProUsesTheFreeTableFolderWhenOption1IsNotSelected) {
  w.fields.dbcMode = false;
  FakeTablesWindow::Select(w.list1, {"c"});
  w.list1.SetListIndex(2);
  DeleteFoxProTables(w.parts);
  EXPECT_EQ(foxpro->Opened(), (Names{"Provider=vfpoledb.1;Data Source=/data/free;Collating Sequence=general;"}));
  EXPECT_EQ(foxpro->Executed(), (Names{"DROP TABLE `c`"}));
}

TEST_F(DeleteTablesTest, OracleDropsBetweenDoubleQuotesKeepingLetterCase) {
  FakeTablesWindow::Select(w.list2, {"MyTable", "DEPT"});
  w.list2.SetListIndex(0);
  DeleteOracleTables(w.parts);
  EXPECT_EQ(oracle->Executed(), (Names{"DROP TABLE \"MyTable\"", "DROP TABLE \"DEPT\""}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"EMP"}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list1), (Names{"a", "B", "c", "d"}));
  EXPECT_EQ(oracle->Opened(), (Names{"Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=scott;Pwd=tiger;"}));
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
}

TEST_F(DeleteTablesTest, NoCurrentItemOpensTheConnectionThenAsksForASelection) {
  FakeTablesWindow::Select(w.list2, {"EMP"});  // selected but never made current
  w.prompter.ExpectMsgBox("Please select a table", connections::vbOKOnly, "");
  DeleteOracleTables(w.parts);
  EXPECT_EQ(oracle->Opened().size(), 1u);
  EXPECT_TRUE(oracle->Executed().empty());
  EXPECT_EQ(w.list2.ListCount(), 3);
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
}

TEST_F(DeleteTablesTest, CurrentItemWithoutSelectionDropsNothingSilently) {
  w.list1.SetListIndex(1);
  DeleteFoxProTables(w.parts);
  EXPECT_EQ(foxpro->Opened().size(), 1u);
  EXPECT_TRUE(foxpro->Executed().empty());
  EXPECT_EQ(w.list1.ListCount(), 4);
}

TEST_F(DeleteTablesTest, FailingDropReportsOnceAndStillRemovesTheName) {
  foxpro->FailOn("`B`", "File is in use.");
  FakeTablesWindow::Select(w.list1, {"a", "B", "c"});
  w.list1.SetListIndex(0);
  w.prompter.ExpectFailureReport("File is in use.", "Form2.PushButton1_Click", 120);
  DeleteFoxProTables(w.parts);
  EXPECT_EQ(foxpro->Statements(), (Names{"DROP TABLE `c`", "DROP TABLE `B`", "DROP TABLE `a`"}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list1), (Names{"d"}));
}

TEST_F(DeleteTablesTest, ConnectionThatDoesNotOpenReportsThenEveryDropReports) {
  oracle->FailOpen("ORA-12541: TNS:no listener");
  FakeTablesWindow::Select(w.list2, {"DEPT", "EMP"});
  w.list2.SetListIndex(0);
  w.prompter.ExpectFailureReport("ORA-12541: TNS:no listener", "Form2.PushButton5_Click", 104)
      .ExpectFailureReport("Form2.PushButton5_Click", 118)
      .ExpectFailureReport("Form2.PushButton5_Click", 118);
  DeleteOracleTables(w.parts);
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"MyTable"}));
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
}

TEST_F(DeleteTablesTest, ConnectionThatDoesNotOpenWithNoCurrentItemStillAsksForASelection) {
  foxpro->FailOpen("Invalid path or file name.");
  w.prompter.ExpectFailureReport("Invalid path or file name.", "Form2.PushButton1_Click", 106)
      .ExpectMsgBox("Please select a table", connections::vbOKOnly, "");
  DeleteFoxProTables(w.parts);
  EXPECT_EQ(w.list1.ListCount(), 4);
}

// A name that could reach past its quotes (Oracle) or its folder (FoxPro) is refused with one
// report; its table is not dropped and its item stays, the other selected tables go on.
TEST_F(DeleteTablesTest, NamesThatCouldReachPastQuotesOrFolderAreRefusedAndKept) {
  w.list1.Clear();
  FakeTablesWindow::Fill(w.list1, {"../x", "a", "x\ny"});
  FakeTablesWindow::Select(w.list1, {"../x", "a", "x\ny"});
  w.list1.SetListIndex(0);
  w.prompter
      .ExpectFailureReport(
          "The table name 'x<LF>y' is refused: a file name cannot hold a control character or "
          "line break.",
          "Form2.PushButton1_Click", 118)
      .ExpectFailureReport("The table name '../x' is refused: a file name cannot hold a path separator.",
                           "Form2.PushButton1_Click", 118);
  DeleteFoxProTables(w.parts);
  EXPECT_EQ(foxpro->Executed(), (Names{"DROP TABLE `a`"}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list1), (Names{"../x", "x\ny"}));

  w.list2.Clear();
  FakeTablesWindow::Fill(w.list2, {"EMP", "q\" cascade --"});
  FakeTablesWindow::Select(w.list2, {"EMP", "q\" cascade --"});
  w.list2.SetListIndex(0);
  w.prompter.ExpectFailureReport(
      "The Oracle name 'q\" cascade --' is refused: a quoted identifier cannot hold a double quote.",
      "Form2.PushButton5_Click", 116);
  DeleteOracleTables(w.parts);
  EXPECT_EQ(oracle->Executed(), (Names{"DROP TABLE \"EMP\""}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"q\" cascade --"}));
}

}  // namespace
}  // namespace maintenance
