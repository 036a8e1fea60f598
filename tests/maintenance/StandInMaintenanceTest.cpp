#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "commands/maintenance/DeleteTables.h"
#include "commands/maintenance/RenameTables.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "support/FakeWindowParts.h"
#include "support/StandIn.h"

namespace maintenance {
namespace {

using support::FakeTablesWindow;
using Names = std::vector<std::string>;

void RunOnStandIn(const std::string& sql) {
  ado::Connection connection;
  connection.Open(support::kOracleConnectionString);
  connection.Execute(sql);
}

bool OracleHasTable(const std::string& name) {
  ado::Connection connection;
  connection.CursorLocation = ado::adUseClient;
  connection.Open(support::kOracleConnectionString);
  ado::Recordset rows;
  rows.Open("SELECT table_name FROM user_tables", connection);
  for (; !rows.Eof(); rows.MoveNext())
    if (ado::ValueToText(rows.Fields(0).Value) == name) return true;
  return false;
}

std::string ServerLog() {
  std::ifstream file(support::StandInDir() + "/server.log");
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class StandInMaintenanceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    Cleanup();
    w.fields.oracleServer = "127.0.0.1";
    w.fields.oracleUser = "scott";
    w.fields.oraclePassword = "tiger";
  }
  void TearDown() override {
    if (support::StandInIsUp()) Cleanup();
    w.prompter.ExpectAllUsed();
  }
  static void Cleanup() {
    for (const char* name : {"CONN_DEL_A", "CONN_DEL_B", "Conn_Del_C", "CONN_REN_EMP", "CONN_REN_Staff"})
      RunOnStandIn(std::string("DROP TABLE IF EXISTS \"") + name + "\"");
  }

  FakeTablesWindow w;
};

TEST_F(StandInMaintenanceTest, DeleteDropsTheSelectedOracleTablesAndTheirNames) {
  for (const char* name : {"CONN_DEL_A", "CONN_DEL_B", "Conn_Del_C"})
    RunOnStandIn(std::string("CREATE TABLE \"") + name + "\" (\"A\" VARCHAR(10))");
  FakeTablesWindow::Fill(w.list2, {"CONN_DEL_A", "CONN_DEL_B", "Conn_Del_C"});
  FakeTablesWindow::Select(w.list2, {"CONN_DEL_A", "Conn_Del_C"});
  w.list2.SetListIndex(0);
  const std::size_t logBefore = ServerLog().size();
  DeleteOracleTables(w.parts);
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"CONN_DEL_B"}));
  EXPECT_FALSE(OracleHasTable("CONN_DEL_A"));
  EXPECT_TRUE(OracleHasTable("CONN_DEL_B"));
  EXPECT_FALSE(OracleHasTable("Conn_Del_C"));
  const std::string log = ServerLog().substr(logBefore);
  const auto c = log.find("DROP TABLE \"Conn_Del_C\"");
  const auto a = log.find("DROP TABLE \"CONN_DEL_A\"");
  ASSERT_NE(c, std::string::npos);
  ASSERT_NE(a, std::string::npos);
  EXPECT_LT(c, a);  // bottom-up
}

TEST_F(StandInMaintenanceTest, DroppingATableThatIsGoneReportsAndStillRemovesTheName) {
  FakeTablesWindow::Fill(w.list2, {"CONN_DEL_A"});
  w.list2.SetSelected(0, true);
  w.list2.SetListIndex(0);
  w.prompter.ExpectFailureReport("Form2.PushButton5_Click", 118);
  DeleteOracleTables(w.parts);
  EXPECT_EQ(w.list2.ListCount(), 0);
}

TEST_F(StandInMaintenanceTest, RenameSendsOraclesStatementAndTheRejectionStillEditsTheList) {
  FakeTablesWindow::Fill(w.list2, {"DEPT", "EMP"});
  w.list2.SetSelected(1, true);
  w.list2.SetListIndex(1);
  w.prompter.ExpectInputBox("Enter new name of EMP:", "", "EMP", "STAFF")
      .ExpectFailureReport("Form2.PushButton7_Click", 132);
  const std::size_t logBefore = ServerLog().size();
  RenameOracleTable(w.parts);
  EXPECT_NE(ServerLog().substr(logBefore).find("RENAME \"EMP\" TO \"STAFF\""), std::string::npos);
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"DEPT", "STAFF"}));
  EXPECT_EQ(w.list2.ListIndex(), 0);
  EXPECT_EQ(w.pointer.History(), (std::vector<int>{connections::vbHourglass, connections::vbDefault}));
}

TEST_F(StandInMaintenanceTest, RenameRenamesTheOracleTableAndReplacesItsName) {
  RunOnStandIn("CREATE TABLE \"CONN_REN_EMP\" (\"A\" NUMBER(10,2))");
  FakeTablesWindow::Fill(w.list2, {"CONN_DEL_A", "CONN_REN_EMP"});
  w.list2.SetSelected(1, true);
  w.list2.SetListIndex(1);
  w.prompter.ExpectInputBox("Enter new name of CONN_REN_EMP:", "", "CONN_REN_EMP", "CONN_REN_Staff");
  RenameOracleTable(w.parts);
  EXPECT_FALSE(OracleHasTable("CONN_REN_EMP"));
  EXPECT_TRUE(OracleHasTable("CONN_REN_Staff"));
  EXPECT_EQ(FakeTablesWindow::Items(w.list2), (Names{"CONN_DEL_A", "CONN_REN_Staff"}));
}

}  // namespace
}  // namespace maintenance
