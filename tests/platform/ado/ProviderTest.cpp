#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Types.h"
#include "platform/ado/Yield.h"
#include "support/ScriptedProvider.h"

namespace {

using support::ScriptedProvider;

TEST(ConnectionStringValueTest, FindsKeysWithoutRegardToCase) {
  const std::string fox = "Provider=vfpoledb.1;Data Source=C:\\data\\sales.dbc;Collating Sequence=machine;";
  EXPECT_EQ(ado::ConnectionStringValue(fox, "provider"), "vfpoledb.1");
  EXPECT_EQ(ado::ConnectionStringValue(fox, "DATA SOURCE"), "C:\\data\\sales.dbc");
  EXPECT_EQ(ado::ConnectionStringValue(fox, "Collating Sequence"), "machine");
  EXPECT_EQ(ado::ConnectionStringValue(fox, "Mode"), "");
}

TEST(ConnectionStringValueTest, FollowsTheOdbcAndOleDbQuotingRules) {
  const std::string oracle = "Driver={Microsoft ODBC for Oracle};Server=;Uid=scott;Pwd=ti;ger;";
  EXPECT_EQ(ado::ConnectionStringValue(oracle, "Driver"), "Microsoft ODBC for Oracle");
  EXPECT_EQ(ado::ConnectionStringValue(oracle, "Server"), "");
  EXPECT_EQ(ado::ConnectionStringValue(oracle, "Pwd"), "ti");  // the value ends at the ";"
  EXPECT_EQ(ado::ConnectionStringValue("A={x;y}}z};B=2", "A"), "x;y}z");
  EXPECT_EQ(ado::ConnectionStringValue("A={x;y}}z};B=2", "B"), "2");
  EXPECT_EQ(ado::ConnectionStringValue("Data Source=\"C:\\a;b\";X=1", "data source"), "C:\\a;b");
  EXPECT_EQ(ado::ConnectionStringValue("  Provider =  vfpoledb.1  ;", "Provider"), "vfpoledb.1");
  EXPECT_EQ(ado::ConnectionStringValue("junk;Provider=p", "Provider"), "p");
  EXPECT_EQ(ado::ConnectionStringValue("A=1;A=2", "A"), "1");
  EXPECT_EQ(ado::ConnectionStringValue("A={unterminated", "A"), "unterminated");
}

TEST(ConnectionStringValueTest, PairsComeInOrderAsWritten) {
  const auto pairs = ado::ConnectionStringPairs("Driver={D};Server=s;;x;Pwd=");
  ASSERT_EQ(pairs.size(), 3u);
  EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"Driver", "D"}));
  EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"Server", "s"}));
  EXPECT_EQ(pairs[2], (std::pair<std::string, std::string>{"Pwd", ""}));
}

TEST(ProviderRegistryTest, TheProviderKeyChoosesTheProviderWithoutRegardToCase) {
  auto fox = ScriptedProvider::Install("VFPOLEDB.1");
  auto odbc = ScriptedProvider::Install("");
  EXPECT_EQ(ado::FindProvider("Provider=vfpoledb.1;Data Source=x;"), fox.Get());
  EXPECT_EQ(ado::FindProvider("provider=VfpOleDb.1"), fox.Get());
  EXPECT_EQ(ado::FindProvider("Driver={Microsoft ODBC for Oracle};Server=s;Uid=u;Pwd=p;"), odbc.Get());
  EXPECT_EQ(ado::FindProvider(""), odbc.Get());
}

TEST(ProviderRegistryTest, AnUnknownProviderFailsWithADescription) {
  try {
    ado::FindProvider("Provider=Nobody.7;Data Source=x;");
    FAIL() << "found a provider";
  } catch (const ado::Failure& failure) {
    EXPECT_STREQ(failure.what(), "Provider cannot be found. It may not be properly installed.");
  }
}

TEST(ProviderRegistryTest, ARegistrationEndsWithItsScope) {
  const auto before = ado::RegisteredProvider("scoped.1");
  {
    auto scoped = ScriptedProvider::Install("scoped.1");
    EXPECT_EQ(ado::RegisteredProvider("SCOPED.1"), scoped.Get());
  }
  EXPECT_EQ(ado::RegisteredProvider("scoped.1"), before);
  EXPECT_THROW(ado::FindProvider("Provider=scoped.1"), ado::Failure);
}

TEST(ConnectionTest, OpenHandsTheStringAndPropertiesToTheProvider) {
  auto scripted = ScriptedProvider::Install("p.1");
  ado::Connection connection;
  connection.CursorLocation = ado::adUseClient;
  connection.CommandTimeout = 5000;
  connection.ConnectionTimeout = 4000;
  connection.Mode = ado::adModeReadWrite;
  connection.Open("Provider=p.1;Data Source=C:\\x;");
  EXPECT_TRUE(connection.IsOpen());
  ASSERT_EQ(scripted->Opened(), std::vector<std::string>{"Provider=p.1;Data Source=C:\\x;"});
  EXPECT_EQ(scripted->LastSettings().cursorLocation, 3);
  EXPECT_EQ(scripted->LastSettings().commandTimeout, 5000);
  EXPECT_EQ(scripted->LastSettings().connectionTimeout, 4000);
  EXPECT_EQ(scripted->LastSettings().mode, 3);
}

TEST(ConnectionTest, ReleasingAnOpenConnectionClosesIt) {
  auto scripted = ScriptedProvider::Install("p.1");
  {
    ado::Connection connection;
    connection.Open("Provider=p.1");
  }
  EXPECT_EQ(scripted->OpenSessions(), 1);
  EXPECT_EQ(scripted->ClosedSessions(), 1);
}

TEST(ConnectionTest, AFailedOpenLeavesItClosedAndReady) {
  auto scripted = ScriptedProvider::Install("p.1");
  scripted->FailOpen("Cannot open file c:\\nowhere\\x.dbc.");
  ado::Connection connection;
  try {
    connection.Open("Provider=p.1");
    FAIL() << "opened";
  } catch (const ado::Failure& failure) {
    EXPECT_STREQ(failure.what(), "Cannot open file c:\\nowhere\\x.dbc.");
  }
  EXPECT_FALSE(connection.IsOpen());
  EXPECT_THROW(connection.Execute("SELECT 1"), ado::Failure);
  EXPECT_THROW(connection.Close(), ado::Failure);
  scripted->SucceedOpen();
  connection.Open("Provider=p.1");
  EXPECT_TRUE(connection.IsOpen());
}

int yields = 0;

// A slow login must not freeze the window: the caller yields while it waits, and what the
// login gives or throws still arrives.
TEST(ConnectionTest, TheCallerYieldsWhileALoginWaits) {
  void (*yield)() = [] { ++yields; };
  const auto caller = std::this_thread::get_id();
  const int result = ado::WhileYielding(yield, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    return std::this_thread::get_id() == caller ? 0 : 7;
  });
  EXPECT_EQ(result, 7);
  EXPECT_GE(yields, 2);
  auto scripted = ScriptedProvider::Install("p.1");
  scripted->FailOpen("ORA-12170: TNS:Connect timeout occurred");
  ado::Connection connection;
  connection.Yield = yield;
  EXPECT_THROW(connection.Open("Provider=p.1"), ado::Failure);
}

TEST(ConnectionTest, ExecuteSendsTheTextUnchangedAndReportsRejections) {
  auto scripted = ScriptedProvider::Install("p.1");
  scripted->FailOn("RENAME", "ORA-00942: table or view does not exist");
  ado::Connection connection;
  connection.Open("Provider=p.1");
  connection.Execute("DROP TABLE \"A b\"");
  EXPECT_THROW(connection.Execute("RENAME \"x\" TO \"y\""), ado::Failure);
  connection.Execute("CREATE TABLE \"Z\" (\"N\" FLOAT)");
  EXPECT_EQ(scripted->Executed(), (std::vector<std::string>{"DROP TABLE \"A b\"", "RENAME \"x\" TO \"y\"",
                                                            "CREATE TABLE \"Z\" (\"N\" FLOAT)"}));
  connection.Close();
  EXPECT_FALSE(connection.IsOpen());
}

TEST(ConnectionTest, OpenSchemaGivesTheTablesRowsetOnly) {
  auto scripted = ScriptedProvider::Install("p.1");
  scripted->SetTables({{"TABLE", "Orders"}, {"SYSTEM TABLE", "sys"}, {"VIEW", "v"}});
  ado::Connection connection;
  connection.CursorLocation = ado::adUseServer;
  connection.Open("Provider=p.1");
  auto rs = connection.OpenSchema(ado::adSchemaTables);
  std::vector<std::string> seen;
  while (!rs->Eof()) {
    seen.push_back(ado::ValueToText(rs->Fields("TABLE_TYPE").Value) + ":" +
                   ado::ValueToText(rs->Fields("table_name").Value));
    rs->MoveNext();
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"TABLE:Orders", "SYSTEM TABLE:sys", "VIEW:v"}));
  EXPECT_THROW(connection.OpenSchema(4), ado::Failure);
}

}  // namespace
