#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "commands/transfer/OracleTableLock.h"
#include "commands/transfer/SendTablesToOracle.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Types.h"
#include "transfer/TransferTestSupport.h"

namespace transfer {
namespace {

using support::FakeTablesWindow;
using testing::ExpectOverwrite;
using testing::ExpectReport;
using testing::kOracleString;
using testing::ScriptedSides;
using Strings = std::vector<std::string>;

const char* const kNotOpen = "Operation is not allowed when the object is closed.";

// The worked example: orders(name adVarChar, qty adInteger).
support::ScriptedResult Orders(std::vector<std::vector<ado::Value>> rows) {
  return {{{"name", ado::adVarChar}, {"qty", ado::adInteger}}, std::move(rows)};
}

// Every kind of value, Null and empty among them.
support::ScriptedResult Mixed() {
  return {{{"first name", ado::adChar},
           {"ratio", ado::adSingle},
           {"price", ado::adNumeric},
           {"stamp", ado::adDBTimeStamp},
           {"photo", ado::adLongVarBinary},
           {"weight", ado::adDouble},
           {"ok", ado::adBoolean}},
          {{"", 1.5, ado::Decimal{"3.25"}, ado::DateTime{{2001, 2, 3}, 4, 5, 6, 0}, ado::Bytes{0x0A, 0xFF}, 2.5, true},
           {" ", 0.0, ado::Null{}, ado::Date{1999, 12, 31}, ado::Bytes{}, -0.5, false},
           {"a\r\nb's", ado::Null{}, ado::Null{}, ado::Null{}, ado::Null{}, ado::Null{}, ado::Null{}}}};
}

class SendTablesToOracleTest : public ::testing::Test {
 protected:
  void SetUp() override { ado::SetTextLocale(ado::TextLocale{'.', "M/d/yyyy"}); }
  void TearDown() override { sides.window.prompter.ExpectAllUsed(); }

  void Offer(const Strings& foxProTables, const Strings& selected, const Strings& oracleTables = {}) {
    FakeTablesWindow::Fill(sides.window.list1, foxProTables);
    FakeTablesWindow::Fill(sides.window.list2, oracleTables);
    FakeTablesWindow::Select(sides.window.list1, selected);
    sides.window.list1.SetListIndex(0);
  }
  void Run(InsertPath path = InsertPath::Statements) { SendTablesToOracle(sides.window.parts, nullptr, path); }

  ScriptedSides sides;
};

TEST_F(SendTablesToOracleTest, WithoutACurrentItemOnlyAsksForASelection) {
  FakeTablesWindow::Fill(sides.window.list1, {"orders"});
  sides.window.prompter.ExpectMsgBox("Please select a table", connections::vbOKOnly, "");
  Run();
  EXPECT_TRUE(sides.oracle->Opened().empty());
  EXPECT_TRUE(sides.foxPro->Opened().empty());
  EXPECT_TRUE(sides.window.pointer.History().empty());
}

TEST_F(SendTablesToOracleTest, WithNothingSelectedOpensAndClosesBothSidesOnly) {
  Offer({"orders"}, {});
  Run();
  EXPECT_EQ(sides.oracle->Opened(), Strings{kOracleString});
  EXPECT_EQ(sides.foxPro->Opened(), Strings{sides.FoxProString()});
  EXPECT_EQ(sides.oracle->ClosedSessions(), 1);
  EXPECT_EQ(sides.foxPro->ClosedSessions(), 1);
  EXPECT_TRUE(sides.oracle->Statements().empty());
  EXPECT_EQ(sides.window.pointer.History(), (std::vector<int>{11, 0}));
}

TEST_F(SendTablesToOracleTest, SendsTheWorkedExampleStatementsAndMovesTheProgressBar) {
  Offer({"orders"}, {"orders"});
  sides.foxPro->SetResult("SELECT * FROM `orders`",
                          Orders({{"it's", 5}, {ado::Null{}, 5}, {"it's", ado::Null{}}, {ado::Null{}, ado::Null{}}}));
  Run();
  EXPECT_EQ(sides.foxPro->Statements(), Strings{"SELECT * FROM `orders`"});
  EXPECT_EQ(sides.oracle->Statements(), (Strings{
                                            "CREATE TABLE \"orders\"(\"name\" VARCHAR(2000),\"qty\" INT)",
                                            "INSERT INTO \"orders\" VALUES('it''s', '5')",
                                            "INSERT INTO \"orders\" VALUES(NULL, '5')",
                                            "INSERT INTO \"orders\" VALUES('it''s', NULL)",
                                            "INSERT INTO \"orders\" VALUES(NULL, NULL)",
                                        }));
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{25, 50, 75, 100, 0}));
  EXPECT_EQ(sides.window.progress.Texts(), Strings{"Progress Bar"});
  EXPECT_EQ(sides.window.pointer.History(), (std::vector<int>{11, 0, 0}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), Strings{"orders"});
  // Oracle: server-side cursors; FoxPro: read and write, client-side cursors; both 5000 s.
  EXPECT_EQ(sides.oracle->LastSettings().cursorLocation, 2);
  EXPECT_EQ(sides.oracle->LastSettings().commandTimeout, 5000);
  EXPECT_EQ(sides.oracle->LastSettings().connectionTimeout, 5000);
  EXPECT_EQ(sides.foxPro->LastSettings().cursorLocation, 3);
  EXPECT_EQ(sides.foxPro->LastSettings().mode, 3);
  EXPECT_EQ(sides.foxPro->LastSettings().commandTimeout, 5000);
  EXPECT_EQ(sides.foxPro->LastSettings().connectionTimeout, 5000);
}

TEST_F(SendTablesToOracleTest, VisitsTablesBottomUpAndAsksBeforeReplacingAListedTable) {
  Offer({"alpha", "beta", "customers", "unselected"}, {"alpha", "beta", "customers"}, {"ALPHA", "CUSTOMERS"});
  for (const char* table : {"alpha", "beta", "customers"}) {
    sides.foxPro->SetResult(std::string("SELECT * FROM `") + table + "`", {{{"id", ado::adInteger}}, {{1}}});
  }
  ExpectOverwrite(sides.window.prompter, "CUSTOMERS", connections::vbYes);
  ExpectOverwrite(sides.window.prompter, "ALPHA", connections::vbNo);
  Run();
  // A replaced table keeps the Oracle list's spelling; the SELECT reads the FoxPro name.
  EXPECT_EQ(sides.foxPro->Statements(), (Strings{"SELECT * FROM `customers`", "SELECT * FROM `beta`"}));
  EXPECT_EQ(sides.oracle->Statements(), (Strings{
                                            "DROP TABLE \"CUSTOMERS\"",
                                            "CREATE TABLE \"CUSTOMERS\"(\"id\" INT)",
                                            "INSERT INTO \"CUSTOMERS\" VALUES('1')",
                                            "CREATE TABLE \"beta\"(\"id\" INT)",
                                            "INSERT INTO \"beta\" VALUES('1')",
                                        }));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), (Strings{"ALPHA", "beta", "CUSTOMERS"}));
  // A No leaves the pointer alone: one hourglass, one reset per table sent, one at the end.
  EXPECT_EQ(sides.window.pointer.History(), (std::vector<int>{11, 0, 0, 0}));
}

TEST_F(SendTablesToOracleTest, TheLastMatchingListItemNamesTheReplacedTable) {
  Offer({"emp"}, {"emp"}, {"EMP", "Emp"});
  sides.foxPro->SetResult("SELECT * FROM `emp`", {{{"id", ado::adInteger}}, {}});
  const std::string winner = FakeTablesWindow::Items(sides.window.list2).back();
  ExpectOverwrite(sides.window.prompter, winner, connections::vbYes);
  Run();
  EXPECT_EQ(sides.oracle->Statements().front(), "DROP TABLE \"" + winner + "\"");
  // A table without rows: created, no INSERT, the bar stays at 0, the name is added back.
  EXPECT_EQ(sides.oracle->Statements().size(), 2u);
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{0}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2).size(), 2u);
}

TEST_F(SendTablesToOracleTest, ValuesTravelAsQuotedTextsAndOnlyApostrophesChange) {
  Offer({"mixed"}, {"mixed"});
  sides.foxPro->SetResult("SELECT * FROM `mixed`", Mixed());
  Run();
  const Strings& sent = sides.oracle->Statements();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0],
            "CREATE TABLE \"mixed\"(\"first name\" VARCHAR(2000),\"ratio\" INT,\"price\" VARCHAR(2000),"
            "\"stamp\" VARCHAR(2000),\"photo\" BLOB,\"weight\" FLOAT,\"ok\" VARCHAR(2000))");
  EXPECT_EQ(sent[1], "INSERT INTO \"mixed\" VALUES(NULL, '1.5', '3.25', '2/3/2001 04:05:06', '0AFF', '2.5', 'True')");
  EXPECT_EQ(sent[2], "INSERT INTO \"mixed\" VALUES(' ', '0', NULL, '12/31/1999', NULL, '-0.5', 'False')");
  EXPECT_EQ(sent[3], "INSERT INTO \"mixed\" VALUES('a\r\nb''s', NULL, NULL, NULL, NULL, NULL, NULL)");
}

TEST_F(SendTablesToOracleTest, AFailingInsertIsReportedWithItsStatementAndTheRestFollow) {
  Offer({"a", "b"}, {"a", "b"});
  sides.foxPro->SetResult("SELECT * FROM `b`", Orders({{"x", 1}, {"bad", 2}, {"y", 3}, {"bad", 4}}));
  sides.foxPro->SetResult("SELECT * FROM `a`", Orders({{"z", 5}}));
  sides.oracle->FailOn("'bad'", "ORA-01722: invalid number");
  ExpectReport(sides.window.prompter, "ORA-01722: invalid number", kSendTablesToOracleHandler, 240,
               "INSERT INTO \"b\" VALUES('bad', '2')");
  ExpectReport(sides.window.prompter, "ORA-01722: invalid number", kSendTablesToOracleHandler, 240,
               "INSERT INTO \"b\" VALUES('bad', '4')");
  Run();
  EXPECT_EQ(sides.oracle->Statements().size(), 7u);
  EXPECT_EQ(sides.oracle->Statements().back(), "INSERT INTO \"a\" VALUES('z', '5')");
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{25, 50, 75, 100, 0, 100, 0}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), (Strings{"a", "b"}));
}

TEST_F(SendTablesToOracleTest, StopInAFailureReportEndsTheCommandTheWayItsLastStatementsDo) {
  Offer({"a", "b"}, {"a", "b"});
  sides.foxPro->SetResult("SELECT * FROM `b`", Orders({{"x", 1}, {"bad", 2}, {"y", 3}, {"bad", 4}}));
  sides.foxPro->SetResult("SELECT * FROM `a`", Orders({{"z", 5}}));
  sides.oracle->FailOn("'bad'", "ORA-03113: end-of-file on communication channel");
  sides.window.prompter.ExpectFailureReport(kSendTablesToOracleHandler, 240, connections::vbStop);
  Run();
  // No further row, no further table, no further report.
  EXPECT_EQ(sides.oracle->Statements().size(), 3u);
  EXPECT_EQ(sides.window.progress.Values(), (std::vector<int>{25, 50, 0}));
  EXPECT_EQ(sides.window.progress.GetText(), "Progress Bar");
  EXPECT_EQ(sides.window.pointer.Get(), connections::vbDefault);
  EXPECT_EQ(sides.oracle->ClosedSessions(), 1);
  EXPECT_EQ(sides.foxPro->ClosedSessions(), 1);
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), Strings{"b"});  // created, so listed
  ASSERT_EQ(sides.window.prompter.Asked().size(), 1u);
  EXPECT_TRUE(sides.window.prompter.Asked()[0].stopOffered);
}

// A table of that name that this run did not create is someone else's: none of the rows go
// into it, and the one report says how many were not sent.
TEST_F(SendTablesToOracleTest, AFailedCreateSendsNoRowsAndSaysHowManyWereNotSent) {
  Offer({"orders"}, {"orders"});
  sides.foxPro->SetResult("SELECT * FROM `orders`", Orders({{"x", 1}, {"y", 2}}));
  sides.oracle->FailOn("CREATE TABLE", "ORA-00955: name is already used by an existing object");
  ExpectReport(sides.window.prompter,
               "ORA-00955: name is already used by an existing object\n" + NotCreatedText("orders", 2),
               kSendTablesToOracleHandler, 216, "CREATE TABLE \"orders\"(\"name\" VARCHAR(2000),\"qty\" INT)");
  testing::RecordingObserver observer;
  SendTablesToOracle(sides.window.parts, &observer, InsertPath::Arrays);
  EXPECT_EQ(sides.oracle->Statements().back(), "CREATE TABLE \"orders\"(\"name\" VARCHAR(2000),\"qty\" INT)");
  EXPECT_EQ(observer.calls, (Strings{"start orders 2", "not created 2", "end"}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), Strings{"orders"});
}

TEST_F(SendTablesToOracleTest, AnOracleThatDoesNotOpenIsReportedForEveryStatementOnIt) {
  Offer({"orders"}, {"orders"}, {"orders"});
  sides.foxPro->SetResult("SELECT * FROM `orders`", Orders({{"x", 1}, {"y", 2}}));
  sides.oracle->FailOpen("ORA-12541: TNS:no listener");
  auto& prompter = sides.window.prompter;
  const std::string create = "CREATE TABLE \"orders\"(\"name\" VARCHAR(2000),\"qty\" INT)";
  ExpectReport(prompter, "ORA-12541: TNS:no listener", kSendTablesToOracleHandler, 114, "");
  ExpectReport(prompter, kNotOpen, kSendTablesToOracleHandler, 140, "");  // the table's lock
  ExpectReport(prompter, kNotOpen, kSendTablesToOracleHandler, 142, "");  // and its present spelling
  ExpectOverwrite(prompter, "orders", connections::vbYes);
  ExpectReport(prompter, kNotOpen, kSendTablesToOracleHandler, 168, "");  // the DROP is never the statement
  ExpectReport(prompter, std::string(kNotOpen) + "\n" + NotCreatedText("orders", 2), kSendTablesToOracleHandler, 216,
               create);
  ExpectReport(prompter, kNotOpen, kSendTablesToOracleHandler, 258, create);
  Run();
  EXPECT_EQ(sides.window.pointer.Get(), 0);
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), Strings{"orders"});
}

// Every statement after a lost connection would fail alike: the table ends with one report,
// the next table opens the connection again, and a server still away ends the run.
TEST_F(SendTablesToOracleTest, ALostConnectionEndsTheTableWithOneReport) {
  const std::string lost = "server closed the connection unexpectedly (SQLSTATE 08S01)";
  const std::string refused = "could not connect to server: Connection refused (SQLSTATE 08001)";
  for (const bool staysAway : {false, true}) {
    SCOPED_TRACE(staysAway ? "server stays away" : "server back");
    ScriptedSides run;  // each case on sides of its own
    FakeTablesWindow::Fill(run.window.list1, {"a", "b", "c"});
    FakeTablesWindow::Select(run.window.list1, {"a", "b", "c"});
    run.window.list1.SetListIndex(0);
    run.foxPro->SetResult("SELECT * FROM `c`", Orders({{"x", 1}, {"y", 2}, {"z", 3}, {"w", 4}}));
    run.foxPro->SetResult("SELECT * FROM `b`", Orders({{"v", 5}}));
    run.foxPro->SetResult("SELECT * FROM `a`", Orders({{"v", 5}}));
    run.oracle->LoseConnectionOn("VALUES('y'", staysAway);
    const std::string statement = "INSERT INTO \"c\" VALUES('y', '2')";
    ExpectReport(run.window.prompter, lost, kSendTablesToOracleHandler, 240, statement);
    if (staysAway) ExpectReport(run.window.prompter, refused, kSendTablesToOracleHandler, 138, statement);
    testing::RecordingObserver observer;
    SendTablesToOracle(run.window.parts, &observer, InsertPath::Statements);
    Strings expected = {"start c 4", "row", "failed row", "end"};
    if (!staysAway) expected.insert(expected.end(), {"start b 1", "row", "end", "start a 1", "row", "end"});
    EXPECT_EQ(observer.calls, expected);
    EXPECT_EQ(run.oracle->Opened().size(), 2u);
    EXPECT_EQ(run.window.pointer.Get(), connections::vbDefault);
    EXPECT_EQ(FakeTablesWindow::Items(run.window.list2), staysAway ? Strings{"c"} : (Strings{"a", "b", "c"}));
    run.window.prompter.ExpectAllUsed();
  }
}

// The lock that keeps two runs out of one table: held by another session, the table is left
// alone with one report and the next one goes; a server that cannot give it (no grant, no
// PL/SQL) lets every table go unlocked and says so once.
TEST_F(SendTablesToOracleTest, ATableAnotherRunWritesIsLeftAloneAndAMissingLockIsSaidOnce) {
  struct Case {
    std::string lockFailure;
    Strings calls;
  };
  const Case cases[] = {
      {"ORA-20100: held by another session (SQLSTATE HY000)", {"skipped b", "start a 1", "row", "end"}},
      {"ORA-06550: line 1, column 28: PLS-00201: identifier 'DBMS_LOCK' must be declared",
       {"note Oracle's DBMS_LOCK c", "start b 1", "row", "end", "start a 1", "row", "end"}},
      {"ERROR: syntax error at or near \"INTEGER\" (SQLSTATE 42601)",
       {"note Oracle's DBMS_LOCK c", "start b 1", "row", "end", "start a 1", "row", "end"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lockFailure);
    ScriptedSides run;
    FakeTablesWindow::Fill(run.window.list1, {"a", "b"});
    FakeTablesWindow::Select(run.window.list1, {"a", "b"});
    run.window.list1.SetListIndex(0);
    run.foxPro->SetResult("SELECT * FROM `a`", Orders({{"x", 1}}));
    run.foxPro->SetResult("SELECT * FROM `b`", Orders({{"y", 2}}));
    const bool heldElsewhere = c.lockFailure.find("ORA-20100") != std::string::npos;
    // Only table b's lock is held elsewhere, a missing package fails for every table.
    run.oracle->FailOn(
        heldElsewhere ? std::to_string(OracleTableLock::IdOf(run.window.fields.oracleUser, "b")) : "DBMS_LOCK.REQUEST",
        c.lockFailure);
    if (heldElsewhere) {
      ExpectReport(run.window.prompter, OracleTableLock::HeldElsewhereText("b"), kSendTablesToOracleHandler, 140, "");
    }
    testing::RecordingObserver observer;
    SendTablesToOracle(run.window.parts, &observer, InsertPath::Statements);
    EXPECT_EQ(observer.calls, c.calls);
    run.window.prompter.ExpectAllUsed();
  }
}

// A source that cannot be read has nothing to take the old table's place: one report, and the
// Oracle table stays as it was.
TEST_F(SendTablesToOracleTest, AnUnreadableFoxProTableIsReportedOnceAndTheOracleTableStays) {
  Offer({"gone"}, {"gone"}, {"gone"});
  sides.foxPro->FailOn("SELECT * FROM `gone`", "File 'gone.dbf' does not exist.");
  ExpectOverwrite(sides.window.prompter, "gone", connections::vbYes);
  ExpectReport(sides.window.prompter, "File 'gone.dbf' does not exist.", kSendTablesToOracleHandler, 158, "");
  Run();
  EXPECT_EQ(sides.oracle->Statements(), Strings{});
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), Strings{"gone"});
  EXPECT_EQ(sides.window.pointer.Get(), 0);
  sides.window.prompter.ExpectAllUsed();
}

// A table or field name with a double quote would end its quoted identifier and rewrite the
// statement: the table is refused with one report, nothing is sent for it (not even the DROP
// of a listed table), and the others go on.
TEST_F(SendTablesToOracleTest, NamesThatCannotBeQuotedSkipTheirTableWithNothingSent) {
  const std::string injected = "q\" (a int); drop table \"victim\"; --";
  Offer({injected, "fields", "ok"}, {injected, "fields", "ok"}, {"fields"});
  sides.foxPro->SetResult("SELECT * FROM `fields`",
                          {{{"id", ado::adInteger}, {"a\"int)--", ado::adInteger}}, {{1, 2}}});
  sides.foxPro->SetResult("SELECT * FROM `ok`", {{{"id", ado::adInteger}}, {}});
  ExpectReport(sides.window.prompter, testing::RefusalOf(connections::RequireOracleIdentifier, injected),
               kSendTablesToOracleHandler, 136, "");
  ExpectOverwrite(sides.window.prompter, "fields", connections::vbYes);
  ExpectReport(sides.window.prompter, testing::RefusalOf(connections::RequireOracleIdentifier, "a\"int)--"),
               kSendTablesToOracleHandler, 160, "CREATE TABLE \"ok\"(\"id\" INT)");
  Run();
  EXPECT_EQ(sides.oracle->Statements(), Strings{"CREATE TABLE \"ok\"(\"id\" INT)"});
  EXPECT_EQ(sides.foxPro->Statements(), (Strings{"SELECT * FROM `ok`", "SELECT * FROM `fields`"}));
  EXPECT_EQ(FakeTablesWindow::Items(sides.window.list2), (Strings{"fields", "ok"}));
}

// The INSERT a row of bound values stands for, spelt as the statement path spells it.
std::string AsStatement(const std::string& table, const std::vector<ado::Value>& row) {
  std::string sql = "INSERT INTO \"" + table + "\" VALUES(";
  for (std::size_t c = 0; c < row.size(); ++c) {
    if (c > 0) sql += ", ";
    if (row[c].IsNull()) {
      sql += "NULL";
      continue;
    }
    sql += "'";
    for (const char ch : row[c].As<std::string>()) sql += ch == '\'' ? std::string("''") : std::string(1, ch);
    sql += "'";
  }
  return sql + ")";
}

TEST_F(SendTablesToOracleTest, ArraysBindTheTextsTheStatementsWouldCarry) {
  Offer({"mixed"}, {"mixed"});
  sides.foxPro->SetResult("SELECT * FROM `mixed`", Mixed());
  Run();
  const Strings statements = sides.oracle->Statements();

  ScriptedSides fast;
  fast.oracle->AcceptArrays();
  FakeTablesWindow::Fill(fast.window.list1, {"mixed"});
  FakeTablesWindow::Select(fast.window.list1, {"mixed"});
  fast.window.list1.SetListIndex(0);
  fast.foxPro->SetResult("SELECT * FROM `mixed`", Mixed());
  SendTablesToOracle(fast.window.parts, nullptr, InsertPath::Arrays);

  EXPECT_EQ(fast.oracle->Statements(), Strings{statements.front()});  // the CREATE TABLE alone
  ASSERT_EQ(fast.oracle->Arrays().size(), 1u);
  EXPECT_EQ(fast.oracle->Arrays()[0].sql, "INSERT INTO \"mixed\" VALUES(?, ?, ?, ?, ?, ?, ?)");
  Strings bound;
  for (const auto& row : fast.oracle->Arrays()[0].rows) bound.push_back(AsStatement("mixed", row));
  EXPECT_EQ(bound, Strings(statements.begin() + 1, statements.end()));
  EXPECT_EQ(fast.window.progress.Values(), sides.window.progress.Values());
}

TEST_F(SendTablesToOracleTest, ARefusedArrayGoesAgainRowByRowAndOnlyItsBadRowIsReported) {
  sides.oracle->AcceptArrays();
  Offer({"orders"}, {"orders"});
  std::vector<std::vector<ado::Value>> rows;
  for (int n = 1; n <= 2500; ++n) rows.push_back({n == 1500 ? std::string("bad") : "r" + std::to_string(n), n});
  sides.foxPro->SetResult("SELECT * FROM `orders`", Orders(rows));
  sides.oracle->FailOn("bad", "ORA-01722: invalid number");
  ExpectReport(sides.window.prompter, "ORA-01722: invalid number", kSendTablesToOracleHandler, 240,
               "INSERT INTO \"orders\" VALUES('bad', '1500')");
  Run(InsertPath::Arrays);

  // Arrays are cut by time, so only what they hold is fixed: every row once, in order, and
  // the rows of the one refused array once more as statements.
  Strings bound;
  Strings refused;
  for (const auto& array : sides.oracle->Arrays()) {
    for (const auto& row : array.rows) {
      bound.push_back(AsStatement("orders", row));
      if (!array.arrived) refused.push_back(bound.back());
    }
  }
  ASSERT_EQ(bound.size(), rows.size());
  EXPECT_EQ(bound[1499], "INSERT INTO \"orders\" VALUES('bad', '1500')");
  EXPECT_LE(refused.size(), InsertArrays::kRowsPerArray);
  EXPECT_NE(std::find(refused.begin(), refused.end(), bound[1499]), refused.end());
  const Strings& executed = sides.oracle->Executed();  // the CREATE TABLE, then the refused array's rows
  EXPECT_EQ(Strings(executed.begin() + 1, executed.end()), refused);
}

}  // namespace
}  // namespace transfer
