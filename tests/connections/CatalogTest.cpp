#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connections/Foxpro.h"
#include "connections/ListBox.h"
#include "connections/Oracle.h"
#include "support/FakeWindowParts.h"
#include "support/ScriptedProvider.h"

namespace connections {
namespace {

using support::FakeConnectionFields;
using support::FakeTablesWindow;
using support::ScriptedProvider;
using support::ScriptedResult;

ScriptedResult TableNames(const std::vector<std::string>& names) {
  ScriptedResult result;
  result.fields = {{"TABLE_NAME", ado::adVarChar}};
  for (const auto& name : names) result.rows.push_back({ado::Value(name)});
  return result;
}

class CatalogTest : public ::testing::Test {
 protected:
  ListBox m_list;
  FakeConnectionFields m_fields;
};

TEST_F(CatalogTest, OracleCatalogSendsTheQueryWithClientCursorAndListsSorted) {
  auto oracle = ScriptedProvider::Install("");
  oracle->SetResult("SELECT table_name FROM user_tables", TableNames({"EMP", "dept", "BONUS", "Salgrade"}));
  m_fields.oracleServer = "ORCL";
  FakeTablesWindow::Fill(m_list, {"OLD"});
  LoadOracleTables(m_list, m_fields);
  EXPECT_EQ(oracle->Statements(), (std::vector<std::string>{"SELECT table_name FROM user_tables"}));
  EXPECT_EQ(oracle->Opened(), (std::vector<std::string>{OracleConnectionString(m_fields)}));
  EXPECT_EQ(oracle->LastSettings().cursorLocation, 3);
  EXPECT_EQ(FakeTablesWindow::Items(m_list), (std::vector<std::string>{"BONUS", "dept", "EMP", "Salgrade"}));
  EXPECT_EQ(m_list.ListIndex(), 0);
  EXPECT_EQ(m_list.SelCount(), 0);
  EXPECT_EQ(oracle->OpenSessions(), oracle->ClosedSessions());
}

TEST_F(CatalogTest, OracleUserWithoutTablesGetsAnEmptyListAndNoCurrentEntry) {
  auto oracle = ScriptedProvider::Install("");
  oracle->SetResult("SELECT table_name FROM user_tables", TableNames({}));
  FakeTablesWindow::Fill(m_list, {"OLD"});
  LoadOracleTables(m_list, m_fields);
  EXPECT_EQ(m_list.ListCount(), 0);
  EXPECT_EQ(m_list.ListIndex(), -1);
}

TEST_F(CatalogTest, OracleFailureBeforeClearingLeavesTheListAndPropagates) {
  auto oracle = ScriptedProvider::Install("");
  FakeTablesWindow::Fill(m_list, {"KEPT"});
  oracle->FailOpen("ORA-12154: TNS:could not resolve the connect identifier specified");
  EXPECT_THROW(LoadOracleTables(m_list, m_fields), ado::Failure);
  oracle->SucceedOpen();
  oracle->FailOn("user_tables", "ORA-00942: table or view does not exist");
  EXPECT_THROW(LoadOracleTables(m_list, m_fields), ado::Failure);
  EXPECT_EQ(FakeTablesWindow::Items(m_list), (std::vector<std::string>{"KEPT"}));
}

TEST_F(CatalogTest, FoxProCatalogListsOnlyRowsTypedExactlyTable) {
  auto foxpro = ScriptedProvider::Install("vfpoledb.1");
  foxpro->SetTables({{"TABLE", "orders"},
                     {"VIEW", "order_view"},
                     {"SYSTEM TABLE", "sys"},
                     {"table", "lower_type"},
                     {"", "untyped"},
                     {"TABLE", "Customers"},
                     {"TABLE", " spaced "}});
  FakeTablesWindow::Fill(m_list, {"OLD"});
  LoadFoxProTables(m_list, "Provider=vfpoledb.1;Data Source=/x;Collating Sequence=general;");
  EXPECT_EQ(FakeTablesWindow::Items(m_list), (std::vector<std::string>{" spaced ", "Customers", "orders"}));
  EXPECT_EQ(m_list.ListIndex(), -1);  // unlike the Oracle catalog, no current entry
  EXPECT_EQ(foxpro->Opened(),
            (std::vector<std::string>{"Provider=vfpoledb.1;Data Source=/x;Collating Sequence=general;"}));
  EXPECT_EQ(foxpro->LastSettings().cursorLocation, 2);  // nothing set: the connection's default
  EXPECT_EQ(foxpro->OpenSessions(), foxpro->ClosedSessions());
}

TEST_F(CatalogTest, FoxProFailureToOpenLeavesTheListAsItWas) {
  auto foxpro = ScriptedProvider::Install("vfpoledb.1");
  foxpro->FailOpen("Invalid path or file name.");
  FakeTablesWindow::Fill(m_list, {"KEPT"});
  EXPECT_THROW(LoadFoxProTables(m_list, "Provider=vfpoledb.1;Data Source=/nowhere;"), ado::Failure);
  EXPECT_EQ(FakeTablesWindow::Items(m_list), (std::vector<std::string>{"KEPT"}));
}

}  // namespace
}  // namespace connections
