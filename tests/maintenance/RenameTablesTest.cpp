#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/maintenance/RenameTables.h"
#include "support/FakeWindowParts.h"
#include "support/ScriptedProvider.h"

namespace maintenance {
namespace {

using connections::vbDefault;
using connections::vbHourglass;
using connections::vbOKOnly;
using support::AskedPrompt;
using support::FakeTablesWindow;
using support::ScriptedProvider;
using Names = std::vector<std::string>;

class RenameTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w.fields.oracleServer = "ORCL";
    w.fields.oracleUser = "scott";
    w.fields.oraclePassword = "tiger";
    w.fields.freeTableFolder = "/data/free";
    w.fields.dbcMode = false;
    FakeTablesWindow::Fill(w.list1, {"customers", "orders", "Products"});
    FakeTablesWindow::Fill(w.list2, {"BONUS", "DEPT", "EMP"});
  }
  void TearDown() override { w.prompter.ExpectAllUsed(); }

  static void SelectAndMakeCurrent(connections::ListBox& list, const Names& names, int current) {
    FakeTablesWindow::Select(list, names);
    list.SetListIndex(current);
  }

  ScriptedProvider::Registration foxpro = ScriptedProvider::Install("vfpoledb.1");
  ScriptedProvider::Registration oracle = ScriptedProvider::Install("");
  FakeTablesWindow w;
};

TEST_F(RenameTablesTest, RenamesEmpToStaffAndReplacesTheNameInTheList) {
  SelectAndMakeCurrent(w.list2, {"EMP"}, 2);
  std::vector<int> pointerWhenAsked;
  w.prompter.OnPrompt([&](const AskedPrompt&) { pointerWhenAsked.push_back(w.pointer.Get()); });
  w.prompter.ExpectInputBox("Enter new name of EMP:", "", "EMP", "STAFF");
  RenameOracleTable(w.parts);
  EXPECT_EQ(oracle->Executed(), (Names{"RENAME \"EMP\" TO \"STAFF\""}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"BONUS", "DEPT", "STAFF"}));
  EXPECT_EQ(w.list2.ListIndex(), 0);
  EXPECT_EQ(FakeTablesWindow::Items(w.list1), (Names{"customers", "orders", "Products"}));
  EXPECT_EQ(pointerWhenAsked, (std::vector<int>{vbHourglass}));
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
  EXPECT_EQ(oracle->Opened(), (Names{"Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=scott;Pwd=tiger;"}));
  EXPECT_TRUE(foxpro->Opened().empty());
  EXPECT_EQ(oracle->OpenSessions(), oracle->ClosedSessions());
}

TEST_F(RenameTablesTest, NewNameKeepsItsLetterCaseAndTakesItsSortedPlace) {
  SelectAndMakeCurrent(w.list2, {"BONUS"}, 0);
  w.prompter.ExpectInputBox("Enter new name of BONUS:", "", "BONUS", "staff");
  RenameOracleTable(w.parts);
  EXPECT_EQ(oracle->Executed(), (Names{"RENAME \"BONUS\" TO \"staff\""}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"DEPT", "EMP", "staff"}));
  EXPECT_EQ(w.list2.ListIndex(), 0);
}

TEST_F(RenameTablesTest, NoCurrentItemAsksForATableAfterOpeningTheConnection) {
  FakeTablesWindow::Select(w.list2, {"EMP"});
  w.prompter.ExpectMsgBox("Please select a table to rename.", vbOKOnly, "");
  RenameOracleTable(w.parts);
  EXPECT_EQ(oracle->Opened().size(), 1u);
  EXPECT_TRUE(oracle->Executed().empty());
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
}

TEST_F(RenameTablesTest, TwoSelectedOrNoneSelectedAsksForJustOne) {
  SelectAndMakeCurrent(w.list2, {"EMP", "DEPT"}, 1);
  w.prompter.ExpectMsgBox("Please select just one table to rename.", vbOKOnly, "");
  RenameOracleTable(w.parts);
  w.list2.SetSelected(1, false);
  w.list2.SetSelected(2, false);
  w.prompter.ExpectMsgBox("Please select just one table to rename.", vbOKOnly, "");
  RenameOracleTable(w.parts);
  EXPECT_TRUE(oracle->Executed().empty());
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"BONUS", "DEPT", "EMP"}));
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault, vbHourglass, vbDefault}));
}

TEST_F(RenameTablesTest, CancelOrEmptyNameSendsNothingAndKeepsTheList) {
  SelectAndMakeCurrent(w.list2, {"DEPT"}, 2);
  w.prompter.ExpectInputBox("Enter new name of DEPT:", "", "DEPT", "");
  RenameOracleTable(w.parts);
  EXPECT_TRUE(oracle->Executed().empty());
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"BONUS", "DEPT", "EMP"}));
  EXPECT_EQ(w.list2.ListIndex(), 2);
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
}

TEST_F(RenameTablesTest, RejectedRenameReportsOnceAndStillEditsTheList) {
  oracle->FailOn("RENAME", "ORA-00955: name is already used by an existing object");
  SelectAndMakeCurrent(w.list2, {"EMP"}, 2);
  w.prompter.ExpectInputBox("Enter new name of EMP:", "", "EMP", "EMP")
      .ExpectFailureReport("ORA-00955: name is already used by an existing object", "Form2.PushButton7_Click", 132);
  RenameOracleTable(w.parts);
  EXPECT_EQ(oracle->Statements(), (Names{"RENAME \"EMP\" TO \"EMP\""}));
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"BONUS", "DEPT", "EMP"}));
  EXPECT_FALSE(w.list2.Selected(2));  // removed and added again: a new, unselected item
  EXPECT_EQ(w.list2.ListIndex(), 0);
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
}

TEST_F(RenameTablesTest, ConnectionThatDoesNotOpenStillAsksThenReportsTheRename) {
  oracle->FailOpen("ORA-01017: invalid username/password; logon denied");
  SelectAndMakeCurrent(w.list2, {"EMP"}, 2);
  w.prompter.ExpectFailureReport("ORA-01017: invalid username/password; logon denied", "Form2.PushButton7_Click", 104)
      .ExpectInputBox("Enter new name of EMP:", "", "EMP", "STAFF")
      .ExpectFailureReport("Form2.PushButton7_Click", 132);
  RenameOracleTable(w.parts);
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"BONUS", "DEPT", "STAFF"}));
}

TEST_F(RenameTablesTest, FoxProRenameUsesBackQuotesOnTheFoxProConnection) {
  SelectAndMakeCurrent(w.list1, {"orders"}, 1);
  w.prompter.ExpectInputBox("Enter new name of orders:", "", "orders", "Archive");
  RenameFoxProTable(w.parts);
  EXPECT_EQ(foxpro->Executed(), (Names{"RENAME TABLE `orders` TO `Archive`"}));
  EXPECT_EQ(foxpro->Opened(), (Names{"Provider=vfpoledb.1;Data Source=/data/free;Collating Sequence=general;"}));
  EXPECT_EQ(foxpro->LastSettings().cursorLocation, 2);
  EXPECT_TRUE(oracle->Opened().empty());
  EXPECT_EQ(FakeTablesWindow::Items(w.list1), (Names{"Archive", "customers", "Products"}));
  EXPECT_EQ(w.list1.ListIndex(), 0);
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"BONUS", "DEPT", "EMP"}));
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
}

TEST_F(RenameTablesTest, FoxProRenameFailureNamesItsOwnHandler) {
  foxpro->FailOn("RENAME TABLE", "File 'orders.dbf' does not exist.");
  SelectAndMakeCurrent(w.list1, {"orders"}, 1);
  w.prompter.ExpectInputBox("Enter new name of orders:", "", "orders", "old_orders")
      .ExpectFailureReport("File 'orders.dbf' does not exist.", "Form2.PushButton6_Click", 134);
  RenameFoxProTable(w.parts);
  EXPECT_EQ(FakeTablesWindow::Items(w.list1), (Names{"customers", "old_orders", "Products"}));
}

TEST_F(RenameTablesTest, FoxProRenameChecksTheSelectionLikeTheOracleOne) {
  w.prompter.ExpectMsgBox("Please select a table to rename.", vbOKOnly, "");
  RenameFoxProTable(w.parts);
  SelectAndMakeCurrent(w.list1, {"orders", "Products"}, 0);
  w.prompter.ExpectMsgBox("Please select just one table to rename.", vbOKOnly, "");
  RenameFoxProTable(w.parts);
  EXPECT_TRUE(foxpro->Executed().empty());
}

// Old and new names obey the rule of their side: a refused one gets one report, and nothing
// is sent and the list stays as it was.
TEST_F(RenameTablesTest, NamesThatCouldReachPastQuotesOrFolderAreRefusedWithNothingSent) {
  struct Case {
    bool foxPro;
    std::string item;     // the selected table
    std::string newName;  // typed; empty when the old name is refused before the question
    int number;
    std::string refusal;
  };
  const std::vector<Case> cases = {
      {false, "EMP", "X\" TO \"Y", 130,
       "The Oracle name 'X\" TO \"Y' is refused: a quoted identifier cannot hold a double quote."},
      {false, "a\"b", "", 124, "The Oracle name 'a\"b' is refused: a quoted identifier cannot hold a double quote."},
      {true, "orders", "../orders", 132,
       "The table name '../orders' is refused: a file name cannot hold a path separator."},
      {true, "orders", "..", 132, "The table name '..' is refused: it names a folder, not a file."},
      {true, "orders", "a\rb", 132,
       "The table name 'a<CR>b' is refused: a file name cannot hold a control character or line break."},
      {true, "..\\up", "", 126, "The table name '..\\up' is refused: a file name cannot hold a path separator."},
      {true, "Region", " ", 132, "The table name ' ' is refused: a table needs a name that is not all blanks."},
      {true, "Region", "region ", 132,
       "The table name 'region ' is refused: leading or trailing blanks would make a second table that looks like "
       "the first."},
      {true, "Region", "back`q", 132,
       "The table name 'back`q' is refused: a back-quote would end the name in FoxPro statements."},
      {true, "Region", "it's", 132,
       "The table name 'it's' is refused: an apostrophe would end the file path in FoxPro statements."},
      {false, "EMP", "  ", 130, "The Oracle name '  ' is refused: a table needs a name that is not all blanks."}};
  for (const Case& c : cases) {
    connections::ListBox& list = c.foxPro ? w.list1 : w.list2;
    list.Clear();
    FakeTablesWindow::Fill(list, {c.item});
    SelectAndMakeCurrent(list, {c.item}, 0);
    const std::string handler = c.foxPro ? "Form2.PushButton6_Click" : "Form2.PushButton7_Click";
    if (!c.newName.empty()) w.prompter.ExpectInputBox("Enter new name of " + c.item + ":", "", c.item, c.newName);
    w.prompter.ExpectFailureReport(c.refusal, handler, c.number);
    c.foxPro ? RenameFoxProTable(w.parts) : RenameOracleTable(w.parts);
    EXPECT_EQ(FakeTablesWindow::Items(list), (Names{c.item})) << c.refusal;
  }
  EXPECT_TRUE(foxpro->Executed().empty());
  EXPECT_TRUE(oracle->Executed().empty());
}

}  // namespace
}  // namespace maintenance
