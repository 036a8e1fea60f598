#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "commands/transfer/SendTablesToFoxPro.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Types.h"
#include "transfer/TransferTestSupport.h"

namespace transfer {
namespace {
namespace fs = std::filesystem;

using support::FakeTablesWindow;
using testing::ExpectOverwrite;
using testing::ExpectReport;
using testing::kOracleString;
using testing::ScriptedSides;
using Strings = std::vector<std::string>;

support::ScriptedResult Emp(std::vector<std::vector<ado::Value>> rows) {
  return {{{"EMPNO", ado::adNumeric}, {"HIRE DATE", ado::adDBTimeStamp}, {"PHOTO", ado::adLongVarBinary}},
          std::move(rows)};
}

class SendTablesToFoxProTest : public ::testing::Test {
 protected:
  void SetUp() override { ado::SetTextLocale(ado::TextLocale{'.', "M/d/yyyy"}); }
  void TearDown() override {
    sides.window.prompter.ExpectAllUsed();
    if (!folder_.empty()) fs::remove_all(folder_);
  }

  void Offer(const Strings& oracleTables, const Strings& selected, const Strings& foxProTables = {}) {
    FakeTablesWindow::Fill(sides.window.list2, oracleTables);
    FakeTablesWindow::Fill(sides.window.list1, foxProTables);
    FakeTablesWindow::Select(sides.window.list2, selected);
    sides.window.list2.SetListIndex(0);
  }
  // A real free table folder, for the file steps.
  std::string UseTempFolder() {
    folder_ = fs::temp_directory_path() / ("tesselby-send-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    sides.window.fields.freeTableFolder = folder_.string();
    return folder_.string() + "/";
  }
  void Touch(const std::string& name) { testing::WriteTableFile((folder_ / name).string()); }
  void Run() { SendTablesToFoxPro(sides.window.parts); }

  ScriptedSides sides;
  fs::path folder_;
};

TEST_F(SendTablesToFoxProTest, WithoutACurrentItemOnlyAsksForASelection) {
  FakeTablesWindow::Fill(sides.window.list2, {"EMP"});
  sides.window.prompter.ExpectMsgBox("Please select a table to send.", connections::vbOKOnly, "");
  Run();
  EXPECT_TRUE(sides.oracle->Opened().empty());
  EXPECT_TRUE(sides.foxPro->Opened().empty());
  EXPECT_TRUE(sides.window.pointer.History().empty());
}

TEST_F(SendTablesToFoxProTest, SendsTheWorkedExampleStatements) {
  Offer({"EMP"}, {"EMP"});
  sides.oracle->SetResult("SELECT * FROM \"EMP\"", Emp({{ado::Decimal{"42"}, ado::Null{}, ado::Null{}}}));
  Run();
  EXPECT_EQ(sides.oracle->Statements(), Strings{"SELECT * FROM \"EMP\""});
  EXPECT_EQ(sides.foxPro->Statements(), (Strings{
                                            "CREATE TABLE 'C:\\data\\EMP.DBF'([EMPNO] M,[HIRE_DATE] M,[PHOTO] BLOB);",
                                            "INSERT INTO 'C:\\data\\EMP.DBF' VALUES('42', '', '')",
                                        }));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), Strings{"emp"});
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{100, 0}));
  EXPECT_EQ(sides.window.pointer.History(), (std::vector<int>{11, 0, 0}));
  // Oracle: client-side cursors; FoxPro: read and write, server-side cursors; both 5000 s.
  EXPECT_EQ(sides.oracle->Opened(), Strings{kOracleString});
  EXPECT_EQ(sides.foxPro->Opened(), Strings{sides.FoxProString()});
  EXPECT_EQ(sides.oracle->LastSettings().cursorLocation, 3);
  EXPECT_EQ(sides.oracle->LastSettings().commandTimeout, 5000);
  EXPECT_EQ(sides.foxPro->LastSettings().cursorLocation, 2);
  EXPECT_EQ(sides.foxPro->LastSettings().mode, 3);
  EXPECT_EQ(sides.foxPro->LastSettings().connectionTimeout, 5000);
}

TEST_F(SendTablesToFoxProTest, InDbcModeTablesGoBesideTheDatabaseContainer) {
  sides.window.fields.dbcMode = true;
  sides.window.fields.dbcFile = "C:\\data\\shop.dbc";
  Offer({"emp"}, {"emp"});
  sides.oracle->SetResult("SELECT * FROM \"emp\"", {{{"ID", ado::adInteger}}, {}});
  Run();
  EXPECT_EQ(sides.foxPro->Opened(), Strings{"Provider=vfpoledb.1;Data Source=C:\\data\\shop.dbc;"
                                            "Collating Sequence=machine;"});
  EXPECT_EQ(sides.foxPro->Statements(), Strings{"CREATE TABLE 'C:\\data\\emp.DBF'([ID] M);"});
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{0}));
}

TEST_F(SendTablesToFoxProTest, AListedTableIsDroppedDeletedAndRecreatedAfterYes) {
  const std::string folder = UseTempFolder();
  Touch("emp.DBF");
  Touch("emp.FPT");
  Offer({"EMP"}, {"EMP"}, {"emp"});
  sides.oracle->SetResult("SELECT * FROM \"EMP\"", Emp({{ado::Decimal{"1"}, ado::Null{}, ado::Null{}}}));
  ExpectOverwrite(sides.window.prompter, "emp", connections::vbYes);
  Run();
  EXPECT_EQ(sides.oracle->Statements(), Strings{"SELECT * FROM \"EMP\""});
  EXPECT_EQ(sides.foxPro->Statements(),
            (Strings{"DROP TABLE `emp`", "CREATE TABLE '" + folder + "emp.DBF'([EMPNO] M,[HIRE_DATE] M,[PHOTO] BLOB);",
                     "INSERT INTO '" + folder + "emp.DBF' VALUES('1', '', '')"}));
  EXPECT_FALSE(fs::exists(folder + "emp.DBF"));  // deleted; the scripted engine writes nothing
  EXPECT_TRUE(fs::exists(folder + "emp.FPT"));   // only the table file goes
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), Strings{"emp"});
}

TEST_F(SendTablesToFoxProTest, NoLeavesTheTableItsFileAndTheListAloneAndTheNextTableFollows) {
  const std::string folder = UseTempFolder();
  Touch("emp.DBF");
  Offer({"DEPT", "EMP"}, {"DEPT", "EMP"}, {"emp"});
  sides.oracle->SetResult("SELECT * FROM \"DEPT\"", {{{"ID", ado::adInteger}}, {{1}, {2}, {3}}});
  ExpectOverwrite(sides.window.prompter, "emp", connections::vbNo);
  Run();
  EXPECT_EQ(sides.oracle->Statements(), Strings{"SELECT * FROM \"DEPT\""});
  EXPECT_EQ(sides.foxPro->Statements(), (Strings{"CREATE TABLE '" + folder + "DEPT.DBF'([ID] M);",
                                                 "INSERT INTO '" + folder + "DEPT.DBF' VALUES('1')",
                                                 "INSERT INTO '" + folder + "DEPT.DBF' VALUES('2')",
                                                 "INSERT INTO '" + folder + "DEPT.DBF' VALUES('3')"}));
  EXPECT_TRUE(fs::exists(folder + "emp.DBF"));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), (Strings{"dept", "emp"}));
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{33, 67, 100, 0}));
}

TEST_F(SendTablesToFoxProTest, AnUnlistedTableWhoseFileOrEntryExistsIsOnlyReplacedAfterYes) {
  const std::string folder = UseTempFolder();
  Touch("emp.dbf");  // another letter case: still the same table file
  Touch("dept.DBF");
  sides.foxPro->SetTables({{"TABLE", "shippers"}});  // registered, its file gone
  Offer({"DEPT", "EMP", "SHIPPERS"}, {"DEPT", "EMP", "SHIPPERS"});
  sides.oracle->SetResult("SELECT * FROM \"DEPT\"", {{{"ID", ado::adInteger}}, {}});
  sides.oracle->SetResult("SELECT * FROM \"SHIPPERS\"", {{{"ID", ado::adInteger}}, {}});
  ExpectOverwrite(sides.window.prompter, "SHIPPERS", connections::vbYes);
  ExpectOverwrite(sides.window.prompter, "EMP", connections::vbNo);
  ExpectOverwrite(sides.window.prompter, "DEPT", connections::vbYes);
  Run();
  EXPECT_TRUE(fs::exists(folder + "emp.dbf"));
  EXPECT_FALSE(fs::exists(folder + "dept.DBF"));
  // Yes removes an unlisted table the way a listed one is removed, which also unregisters it.
  EXPECT_EQ(sides.foxPro->Statements(),
            (Strings{"DROP TABLE `SHIPPERS`", "CREATE TABLE '" + folder + "SHIPPERS.DBF'([ID] M);", "DROP TABLE `DEPT`",
                     "CREATE TABLE '" + folder + "DEPT.DBF'([ID] M);"}));
  EXPECT_EQ(sides.oracle->Statements(), (Strings{"SELECT * FROM \"SHIPPERS\"", "SELECT * FROM \"DEPT\""}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), (Strings{"dept", "shippers"}));
}

// Each name would reach a file outside the folder (or a broken one, or break the SELECT's
// quotes): it is refused with one report before anything is looked up, asked or touched.
TEST_F(SendTablesToFoxProTest, HostileNamesAreRefusedBeforeAnythingIsAskedOrTouched) {
  UseTempFolder();
  const fs::path inner = folder_ / "inner";
  fs::create_directories(inner / "a");
  sides.window.fields.freeTableFolder = inner.string();
  testing::WriteTableFile((folder_ / "x.DBF").string());
  testing::WriteTableFile((inner / "a" / "b.DBF").string());
  const Strings hostile = {"../x", "..\\x", "a/b", "x\ny", ".", "..", "q\"x"};
  Strings offered = hostile;
  offered.push_back("-ok");  // sorts first, so it is sent last
  Offer(offered, offered, {"../x"});
  sides.oracle->SetResult("SELECT * FROM \"-ok\"", {{{"ID", ado::adInteger}}, {}});
  for (int i = static_cast<int>(sides.window.list2.ListCount()) - 1; i >= 0; --i) {
    const std::string name = sides.window.list2.List(i);
    if (name == "-ok") continue;
    const bool quotes = name.find('"') != std::string::npos;
    ExpectReport(
        sides.window.prompter,
        testing::RefusalOf(quotes ? connections::RequireOracleIdentifier : connections::RequirePlainFileName, name),
        kSendTablesToFoxProHandler, 136, "");
  }
  Run();
  EXPECT_EQ(sides.oracle->Statements(), Strings{"SELECT * FROM \"-ok\""});
  EXPECT_EQ(sides.foxPro->Statements(), Strings{"CREATE TABLE '" + inner.string() + "/-ok.DBF'([ID] M);"});
  EXPECT_TRUE(fs::exists(folder_ / "x.DBF"));
  EXPECT_TRUE(fs::exists(inner / "a" / "b.DBF"));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), (Strings{"-ok", "../x"}));
}

// Folder typed CASEDIR, on disk casedir: the check finds the table file the engine would.
TEST_F(SendTablesToFoxProTest, TheExistenceCheckFindsTheFileWhereverTheEngineWould) {
  UseTempFolder();
  fs::create_directories(folder_ / "casedir");
  testing::WriteTableFile((folder_ / "casedir" / "emp.dbf").string());
  sides.window.fields.freeTableFolder = (folder_ / "CASEDIR").string();
  Offer({"EMP"}, {"EMP"});
  ExpectOverwrite(sides.window.prompter, "EMP", connections::vbNo);
  Run();
  EXPECT_TRUE(sides.foxPro->Statements().empty());
  EXPECT_TRUE(fs::exists(folder_ / "casedir" / "emp.dbf"));
}

TEST_F(SendTablesToFoxProTest, NullsLineBreaksApostrophesAndLongTextsBecomeFoxProLiterals) {
  Offer({"NOTES"}, {"NOTES"});
  const std::string longText = std::string(200, 'x') + "y";
  sides.oracle->SetResult(
      "SELECT * FROM \"NOTES\"",
      {{{"A", ado::adVarWChar}, {"B/C D", ado::adLongVarWChar}},
       {{ado::Null{}, ado::Null{}}, {"line 1\r\nline 2", "it's"}, {longText, ado::Bytes{0x41, 0x0D, 0x42}}}});
  Run();
  EXPECT_EQ(sides.foxPro->Statements(),
            (Strings{
                "CREATE TABLE 'C:\\data\\NOTES.DBF'([A] M,[B_C_D] M);",
                "INSERT INTO 'C:\\data\\NOTES.DBF' VALUES('', '')",
                "INSERT INTO 'C:\\data\\NOTES.DBF' VALUES('line 1'+CHR(13)+CHR(10)+"
                "'line 2', 'it''s')",
                "INSERT INTO 'C:\\data\\NOTES.DBF' VALUES('" + std::string(200, 'x') + "'+'y', '410D42')",
            }));
}

TEST_F(SendTablesToFoxProTest, AFailingInsertIsReportedWithItsStatementAndTheRestFollow) {
  Offer({"A", "B"}, {"A", "B"});
  sides.oracle->SetResult("SELECT * FROM \"B\"", {{{"N", ado::adVarChar}}, {{"1"}, {"bad"}, {"3"}, {"4"}}});
  sides.oracle->SetResult("SELECT * FROM \"A\"", {{{"N", ado::adVarChar}}, {{"5"}}});
  sides.foxPro->FailOn("'bad'", "Disk full.");
  ExpectReport(sides.window.prompter, "Disk full.", kSendTablesToFoxProHandler, 236,
               "INSERT INTO 'C:\\data\\B.DBF' VALUES('bad')");
  Run();
  EXPECT_EQ(sides.foxPro->Statements().size(), 7u);
  EXPECT_EQ(sides.foxPro->Statements().back(), "INSERT INTO 'C:\\data\\A.DBF' VALUES('5')");
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{25, 50, 75, 100, 0, 100, 0}));
  EXPECT_EQ(sides.window.progress.Texts(), (Strings{"Progress Bar", "Progress Bar"}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), (Strings{"a", "b"}));
}

TEST_F(SendTablesToFoxProTest, StopBeforeTheTableIsCreatedLeavesTheListAndTheRestAlone) {
  Offer({"A", "B"}, {"A", "B"});
  sides.oracle->FailOn("SELECT * FROM \"B\"", "ORA-03114: not connected to ORACLE");
  sides.window.prompter.ExpectFailureReport(kSendTablesToFoxProHandler, 170, connections::vbStop);
  Run();
  EXPECT_TRUE(sides.foxPro->Statements().empty());  // no CREATE TABLE, nothing for A
  EXPECT_EQ(sides.window.list1.ListCount(), 0);     // no table was created, none is listed
  EXPECT_EQ(sides.window.progress.GetText(), "Progress Bar");
  EXPECT_EQ(sides.window.pointer.Get(), connections::vbDefault);
  EXPECT_EQ(sides.foxPro->ClosedSessions(), 1);
  EXPECT_EQ(sides.oracle->ClosedSessions(), 1);
}

TEST_F(SendTablesToFoxProTest, AFailedCreateSendsNoRowsAndSaysHowManyWereNotSent) {
  Offer({"EMP"}, {"EMP"});
  sides.oracle->SetResult("SELECT * FROM \"EMP\"", {{{"ID", ado::adInteger}}, {{7}}});
  sides.foxPro->FailOn("CREATE TABLE", "Field name is a duplicate or invalid.");
  ExpectReport(sides.window.prompter, "Field name is a duplicate or invalid.\n" + NotCreatedText("EMP", 1),
               kSendTablesToFoxProHandler, 218, "CREATE TABLE 'C:\\data\\EMP.DBF'([ID] M);");
  testing::RecordingObserver observer;
  SendTablesToFoxPro(sides.window.parts, &observer);
  EXPECT_EQ(sides.foxPro->Statements().back(), "CREATE TABLE 'C:\\data\\EMP.DBF'([ID] M);");
  EXPECT_EQ(observer.calls, (Strings{"start EMP 1", "not created 1", "end"}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), Strings{"emp"});
}

// Only a file the overwrite question was about may go before CREATE: the catalog's table
// goes with its DROP, and a file of the same name beside it is someone else's.
TEST_F(SendTablesToFoxProTest, OnlyAFileTheQuestionWasAboutIsDeleted) {
  const std::string folder = UseTempFolder();
  Touch("emp.DBF");
  Touch("dept.DBF");
  sides.foxPro->SetTables({{"TABLE", "emp"}});  // its own file elsewhere; emp.DBF is not it
  Offer({"DEPT", "EMP"}, {"DEPT", "EMP"}, {"emp"});
  sides.oracle->SetResult("SELECT * FROM \"EMP\"", {{{"ID", ado::adInteger}}, {}});
  sides.oracle->SetResult("SELECT * FROM \"DEPT\"", {{{"ID", ado::adInteger}}, {}});
  ExpectOverwrite(sides.window.prompter, "emp", connections::vbYes);
  ExpectOverwrite(sides.window.prompter, "DEPT", connections::vbYes);
  Run();
  EXPECT_TRUE(fs::exists(folder + "emp.DBF"));    // left for CREATE TABLE to report
  EXPECT_FALSE(fs::exists(folder + "dept.DBF"));  // the file the question was about
}

// Names that differ in letter case only would share one file: the later one is refused.
TEST_F(SendTablesToFoxProTest, ALaterTableOfTheSameFileNameIsRefused) {
  Offer({"REGION", "Region"}, {"REGION", "Region"});
  sides.oracle->SetResult("SELECT * FROM \"Region\"", {{{"ID", ado::adInteger}}, {}});
  sides.window.prompter.ExpectFailureReport(kSendTablesToFoxProHandler, 138, connections::vbOK);
  Run();
  EXPECT_EQ(sides.foxPro->Statements(), Strings{"CREATE TABLE 'C:\\data\\Region.DBF'([ID] M);"});
  EXPECT_EQ(sides.oracle->Statements(), Strings{"SELECT * FROM \"Region\""});
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), Strings{"region"});
}

// A read that lost the connection ends its table with that one report; the next table
// opens the connection again.
TEST_F(SendTablesToFoxProTest, ALostConnectionEndsTheTableAndTheNextTableConnectsAgain) {
  Offer({"A", "B"}, {"A", "B"});
  sides.oracle->SetResult("SELECT * FROM \"A\"", {{{"N", ado::adVarChar}}, {{"5"}}});
  sides.oracle->LoseConnectionOn("SELECT * FROM \"B\"");
  sides.window.prompter.ExpectFailureReport(kSendTablesToFoxProHandler, 170);
  Run();
  EXPECT_EQ(sides.oracle->Opened().size(), 2u);
  EXPECT_EQ(sides.foxPro->Statements(),
            (Strings{"CREATE TABLE 'C:\\data\\A.DBF'([N] M);", "INSERT INTO 'C:\\data\\A.DBF' VALUES('5')"}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), Strings{"a"});
}

TEST_F(SendTablesToFoxProTest, AFailingDropReportsTheEarlierStatement) {
  Offer({"A", "B"}, {"A", "B"}, {"a"});
  sides.oracle->SetResult("SELECT * FROM \"B\"", {{{"N", ado::adVarChar}}, {{"1"}}});
  sides.oracle->SetResult("SELECT * FROM \"A\"", {{{"N", ado::adVarChar}}, {}});
  sides.foxPro->FailOn("DROP TABLE", "File is in use.");
  ExpectOverwrite(sides.window.prompter, "a", connections::vbYes);
  ExpectReport(sides.window.prompter, "File is in use.", kSendTablesToFoxProHandler, 178,
               "INSERT INTO 'C:\\data\\B.DBF' VALUES('1')");
  Run();
  EXPECT_EQ(sides.foxPro->Statements().back(), "CREATE TABLE 'C:\\data\\a.DBF'([N] M);");
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list1), (Strings{"a", "b"}));
}

}  // namespace
}  // namespace transfer
