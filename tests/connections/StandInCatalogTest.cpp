#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <string>
#include <vector>

#include "connections/ConnectionProfile.h"
#include "connections/ListBox.h"
#include "connections/Oracle.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "support/FakeWindowParts.h"
#include "support/StandIn.h"

namespace connections {
namespace {

using support::FakeConnectionFields;
using support::FakeTablesWindow;
using Names = std::vector<std::string>;

FakeConnectionFields StandInLogin() {
  FakeConnectionFields fields;
  fields.oracleServer = "127.0.0.1";
  fields.oracleUser = "scott";
  fields.oraclePassword = "tiger";
  return fields;
}

void RunOnStandIn(const std::string& sql) {
  ado::Connection connection;
  connection.Open(support::kOracleConnectionString);
  connection.Execute(sql);
}

// What the dictionary itself answers, in the list box's order.
Names UserTables() {
  ado::Connection connection;
  connection.CursorLocation = ado::adUseClient;
  connection.Open(support::kOracleConnectionString);
  ado::Recordset rows;
  rows.Open("SELECT table_name FROM user_tables", connection);
  ListBox sorted;
  for (; !rows.Eof(); rows.MoveNext()) sorted.AddItem(ado::ValueToText(rows.Fields(0).Value));
  return FakeTablesWindow::Items(sorted);
}

class StandInCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    Cleanup();
  }
  void TearDown() override {
    if (support::StandInIsUp()) Cleanup();
  }
  static void Cleanup() {
    for (const char* name : {"CONN_CAT_EMP", "conn_cat_lower", "Conn_Cat_Mixed"})
      RunOnStandIn(std::string("DROP TABLE IF EXISTS \"") + name + "\"");
  }
};

TEST_F(StandInCatalogTest, OracleCatalogListsExactlyTheDictionaryAnswer) {
  EXPECT_EQ(OracleConnectionString(StandInLogin()), support::kOracleConnectionString);
  RunOnStandIn("CREATE TABLE \"CONN_CAT_EMP\" (\"A\" VARCHAR(10))");
  RunOnStandIn("CREATE TABLE \"conn_cat_lower\" (\"A\" VARCHAR(10))");
  RunOnStandIn("CREATE TABLE \"Conn_Cat_Mixed\" (\"A\" VARCHAR(10))");
  ListBox list;
  LoadOracleTables(list, StandInLogin());
  const Names listed = FakeTablesWindow::Items(list);
  EXPECT_EQ(listed, UserTables());
  for (const char* name : {"CONN_CAT_EMP", "conn_cat_lower", "Conn_Cat_Mixed"})
    EXPECT_NE(std::find(listed.begin(), listed.end(), name), listed.end()) << name;
  EXPECT_EQ(list.ListIndex(), 0);
}

TEST_F(StandInCatalogTest, ChecksAndTestsAgainstTheStandIn) {
  EXPECT_TRUE(CheckOracleConnection(StandInLogin()));
  FakeConnectionFields wrong = StandInLogin();
  wrong.oraclePassword = "wrong";
  EXPECT_FALSE(CheckOracleConnection(wrong));
  FakeConnectionFields semicolon = StandInLogin();
  semicolon.oraclePassword = "tig;er";  // the value ends at ";" under the ODBC rules: "tig" fails
  support::ScriptedPrompter prompter;
  support::FakeMousePointer pointer;
  prompter.ExpectMsgBox("Connection successful.", vbOKOnly, "")
      .ExpectMsgBox("Could not connect. Please check with your administrator.", vbOKOnly, "")
      .ExpectMsgBox("Could not connect. Please check with your administrator.", vbOKOnly, "");
  TestOracleConnection(prompter, pointer, StandInLogin());
  TestOracleConnection(prompter, pointer, wrong);
  TestOracleConnection(prompter, pointer, semicolon);
  prompter.ExpectAllUsed();
}

// Fills connection fields the way the connection window's load does.
class FieldsTarget : public ProfileTarget {
 public:
  explicit FieldsTarget(FakeConnectionFields& fields) : fields_(fields) {}
  void SelectDbcMode() override { fields_.dbcMode = true; }
  void SelectFreeTableFolderMode() override { fields_.dbcMode = false; }
  void SetOracleServer(const std::string& text) override { fields_.oracleServer = text; }
  void SetOracleUser(const std::string& text) override { fields_.oracleUser = text; }
  void SetOraclePassword(const std::string& text) override { fields_.oraclePassword = text; }
  void SetDbcFile(const std::string& text) override { fields_.dbcFile = text; }
  void SetFreeTableFolder(const std::string& text) override { fields_.freeTableFolder = text; }

 private:
  FakeConnectionFields& fields_;
};

// The stand-in has a login for each (tools/oracle-standin.sh); the password must arrive whole,
// typed into the window and loaded from the saved profile alike.
TEST(StandInLoginTest, PasswordsWithBracesSemicolonsOrBlanksLogIn) {
  TESSELBY_REQUIRE_STANDIN();
  QTemporaryDir store;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
  const std::vector<std::pair<std::string, std::string>> logins = {
      {"semicolon", "ti;ger"}, {"braces", "{x}"}, {"closer", "a}b"}, {"blank", " lead"}};
  for (const auto& [user, password] : logins) {
    FakeConnectionFields typed = StandInLogin();
    typed.oracleUser = user;
    typed.oraclePassword = password;
    EXPECT_TRUE(CheckOracleConnection(typed)) << user;
    support::ScriptedPrompter prompter;
    support::FakeMousePointer pointer;
    prompter.ExpectMsgBox("Connection successful.", vbOKOnly, "");
    TestOracleConnection(prompter, pointer, typed);
    prompter.ExpectAllUsed();

    SaveProfileSetting(kServerKey, typed.oracleServer);
    SaveProfileSetting(kUserKey, user);
    SaveProfileSetting(kPasswordKey, password);
    FakeConnectionFields loaded;
    FieldsTarget target(loaded);
    LoadProfile(target);
    EXPECT_EQ(loaded.oraclePassword, password);
    EXPECT_TRUE(CheckOracleConnection(loaded)) << user;
  }
  FakeConnectionFields wrong = StandInLogin();
  wrong.oraclePassword = "wrong;Pwd=tiger";
  EXPECT_FALSE(CheckOracleConnection(wrong));
}

}  // namespace
}  // namespace connections
