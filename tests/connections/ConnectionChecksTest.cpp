#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "platform/ado/Provider.h"
#include "support/FakeWindowParts.h"
#include "support/ScriptedPrompter.h"
#include "support/ScriptedProvider.h"

namespace connections {
namespace {

using support::FakeConnectionFields;
using support::FakeMousePointer;
using support::ScriptedPrompter;
using support::ScriptedProvider;

FakeConnectionFields Profile() {
  FakeConnectionFields fields;
  fields.oracleServer = "ORCL";
  fields.oracleUser = "scott";
  fields.oraclePassword = "tiger";
  fields.dbcFile = "C:\\data\\sales.dbc";
  fields.freeTableFolder = "C:\\data";
  return fields;
}

TEST(ConnectionStringTest, OracleStringJoinsTheThreeFieldsVerbatim) {
  FakeConnectionFields fields = Profile();
  EXPECT_EQ(OracleConnectionString(fields), "Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=scott;Pwd=tiger;");
  fields.oraclePassword = "ti=ger'\"";
  EXPECT_EQ(OracleConnectionString(fields), "Driver={Microsoft ODBC for Oracle};Server=ORCL;Uid=scott;Pwd=ti=ger'\";");
}

// A value that would end early or be trimmed is braced, so it cannot bring keys of its own.
TEST(ConnectionStringTest, FieldValuesThatWouldCarryKeysAreBracedAndReadBackWhole) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"tiger;Driver=/some/lib.so", "{tiger;Driver=/some/lib.so}"},
      {"x;Provider=vfpoledb.1;Data Source=/data", "{x;Provider=vfpoledb.1;Data Source=/data}"},
      {"wrong;Pwd=tiger", "{wrong;Pwd=tiger}"},
      {"{x}", "{{x}}}"},
      {"a}b", "{a}}b}"},
      {" lead", "{ lead}"},
      {"trail ", "{trail }"},
      {"\"quoted", "{\"quoted}"},
      {"'quoted", "{'quoted}"},
      {"tiger", "tiger"},
      {"", ""}};
  for (const auto& [value, written] : cases) {
    FakeConnectionFields fields = Profile();
    fields.oracleServer = fields.oracleUser = fields.oraclePassword = value;
    const std::string oracle = OracleConnectionString(fields);
    EXPECT_EQ(oracle,
              "Driver={Microsoft ODBC for Oracle};Server=" + written + ";Uid=" + written + ";Pwd=" + written + ";");
    EXPECT_EQ(ado::ConnectionStringValue(oracle, "Pwd"), value);
    EXPECT_EQ(ado::ConnectionStringValue(oracle, "Provider"), "");
    EXPECT_EQ(ado::ConnectionStringValue(oracle, "Driver"), "Microsoft ODBC for Oracle");
    for (const bool dbcMode : {true, false}) {
      fields.dbcMode = dbcMode;
      fields.dbcFile = fields.freeTableFolder = value;
      const std::string foxPro = FoxProConnectionString(fields);
      EXPECT_EQ(foxPro.substr(0, foxPro.find(";Collating")), "Provider=vfpoledb.1;Data Source=" + written);
      EXPECT_EQ(ado::ConnectionStringValue(foxPro, "Data Source"), value);
      EXPECT_EQ(ado::ConnectionStringValue(foxPro, "Provider"), "vfpoledb.1");
    }
  }
  // A quote opened in one field and closed in another must not expose what lies between.
  FakeConnectionFields fields = Profile();
  fields.oracleServer = "\"x";
  fields.oraclePassword = "a\";Provider=vfpoledb.1;Data Source=/data;\"";
  EXPECT_EQ(ado::ConnectionStringValue(OracleConnectionString(fields), "Provider"), "");
}

// The driver's name is always braced, as Driver={...} is written; a data source name only when
// it must be. Neither can bring keys of its own.
TEST(ConnectionStringTest, DriverOrDataSourceNamesComeFromTheProfileAndCarryNoKeys) {
  struct Case {
    std::string driver, dsn, source;
  };
  for (const Case& c : std::vector<Case>{
           {"Oracle 21 ODBC driver", "", "Driver={Oracle 21 ODBC driver}"},
           {"x};Server=evil;Pwd={y", "", "Driver={x}};Server=evil;Pwd={y}"},
           {"a=b", "", "Driver={a=b}"},
           {"ignored", "ORCLDSN", "DSN=ORCLDSN"},
           {"ignored", "d;Driver=/tmp/evil.so", "DSN={d;Driver=/tmp/evil.so}"},
           {"ignored", "d}=x", "DSN={d}}=x}"},
       }) {
    FakeConnectionFields fields = Profile();
    fields.oracleDriver = c.driver;
    fields.oracleDsn = c.dsn;
    const std::string oracle = OracleConnectionString(fields);
    EXPECT_EQ(oracle, c.source + ";Server=ORCL;Uid=scott;Pwd=tiger;");
    std::vector<std::string> keys;
    for (const auto& [key, value] : ado::ConnectionStringPairs(oracle)) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{c.dsn.empty() ? "Driver" : "DSN", "Server", "Uid", "Pwd"})) << oracle;
    EXPECT_EQ(ado::ConnectionStringValue(oracle, c.dsn.empty() ? "Driver" : "DSN"), c.dsn.empty() ? c.driver : c.dsn);
  }
}

TEST(ConnectionStringTest, EmptyOracleFieldsGiveEmptyValues) {
  EXPECT_EQ(OracleConnectionString(FakeConnectionFields{}), "Driver={Microsoft ODBC for Oracle};Server=;Uid=;Pwd=;");
}

TEST(ConnectionStringTest, FoxProStringFollowsOption1Alone) {
  FakeConnectionFields fields = Profile();
  fields.dbcMode = true;
  EXPECT_EQ(FoxProConnectionString(fields),
            "Provider=vfpoledb.1;Data Source=C:\\data\\sales.dbc;Collating Sequence=machine;");
  fields.dbcMode = false;
  EXPECT_EQ(FoxProConnectionString(fields), "Provider=vfpoledb.1;Data Source=C:\\data;Collating Sequence=general;");
  fields.freeTableFolder.clear();
  EXPECT_EQ(FoxProConnectionString(fields), "Provider=vfpoledb.1;Data Source=;Collating Sequence=general;");
}

TEST(ConnectionCheckTest, OracleCheckAnswersWhetherTheOpenSucceeds) {
  auto oracle = ScriptedProvider::Install("");
  const FakeConnectionFields fields = Profile();
  EXPECT_TRUE(CheckOracleConnection(fields));
  oracle->FailOpen("ORA-01017: invalid username/password; logon denied");
  EXPECT_FALSE(CheckOracleConnection(fields));
  EXPECT_EQ(oracle->Opened(), (std::vector<std::string>(2, OracleConnectionString(fields))));
  EXPECT_EQ(oracle->OpenSessions(), oracle->ClosedSessions());
}

TEST(ConnectionCheckTest, FoxProCheckOpensWithServerSideCursorAndReadsTheFieldsEachTime) {
  auto foxpro = ScriptedProvider::Install("vfpoledb.1");
  FakeConnectionFields fields = Profile();
  EXPECT_TRUE(CheckFoxProConnection(fields));
  EXPECT_EQ(foxpro->LastSettings().cursorLocation, 2);
  fields.dbcMode = false;
  foxpro->FailOpen("File does not exist.");
  EXPECT_FALSE(CheckFoxProConnection(fields));
  EXPECT_EQ(foxpro->Opened(),
            (std::vector<std::string>{"Provider=vfpoledb.1;Data Source=C:\\data\\sales.dbc;Collating Sequence=machine;",
                                      "Provider=vfpoledb.1;Data Source=C:\\data;Collating Sequence=general;"}));
  EXPECT_EQ(foxpro->OpenSessions(), foxpro->ClosedSessions());
}

TEST(TestConnectionTest, OracleSuccessShowsMessageWhileHourglassIsSet) {
  auto oracle = ScriptedProvider::Install("");
  ScriptedPrompter prompter;
  FakeMousePointer pointer;
  int pointerDuringMessage = -1;
  prompter.ExpectMsgBoxMatching(
      "Connection successful.",
      [&](const std::string& text) {
        pointerDuringMessage = pointer.Get();
        return text == "Connection successful.";
      },
      vbOKOnly, "");
  TestOracleConnection(prompter, pointer, Profile());
  prompter.ExpectAllUsed();
  EXPECT_EQ(pointerDuringMessage, vbHourglass);
  EXPECT_EQ(pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
  EXPECT_EQ(oracle->Opened(), (std::vector<std::string>{OracleConnectionString(Profile())}));
  EXPECT_EQ(oracle->OpenSessions(), oracle->ClosedSessions());
}

TEST(TestConnectionTest, OracleFailureShowsOwnMessageNeverTheReport) {
  auto oracle = ScriptedProvider::Install("");
  oracle->FailOpen("ORA-01017: invalid username/password; logon denied");
  ScriptedPrompter prompter;
  FakeMousePointer pointer;
  prompter.ExpectMsgBox("Could not connect. Please check with your administrator.", vbOKOnly, "");
  TestOracleConnection(prompter, pointer, FakeConnectionFields{});
  prompter.ExpectAllUsed();
  EXPECT_EQ(pointer.History(), (std::vector<int>{vbHourglass, vbDefault}));
  EXPECT_EQ(oracle->Opened(), (std::vector<std::string>{"Driver={Microsoft ODBC for Oracle};Server=;Uid=;Pwd=;"}));
}

TEST(TestConnectionTest, FoxProSuccessAndFailureMessagesAndCursorLocation) {
  auto foxpro = ScriptedProvider::Install("vfpoledb.1");
  ScriptedPrompter prompter;
  FakeMousePointer pointer;
  prompter.ExpectMsgBox("Connection successful.", vbOKOnly, "");
  prompter.ExpectMsgBox("Could not connect.", vbOKOnly, "");
  TestFoxProConnection(prompter, pointer, Profile());
  EXPECT_EQ(foxpro->LastSettings().cursorLocation, 2);
  foxpro->FailOpen("Invalid path or file name.");
  TestFoxProConnection(prompter, pointer, Profile());
  prompter.ExpectAllUsed();
  EXPECT_EQ(pointer.History(), (std::vector<int>{vbHourglass, vbDefault, vbHourglass, vbDefault}));
  EXPECT_EQ(foxpro->Opened().size(), 2u);  // testing twice opens twice
}

TEST(TestConnectionTest, MissingDriverIsTheTestsOwnFailure) {
  auto restoredAtEnd = ScriptedProvider::Install("");
  ado::RegisterProvider("", nullptr);
  ScriptedPrompter prompter;
  FakeMousePointer pointer;
  prompter.ExpectMsgBox("Could not connect. Please check with your administrator.", vbOKOnly, "");
  TestOracleConnection(prompter, pointer, Profile());
  prompter.ExpectAllUsed();
  EXPECT_FALSE(CheckOracleConnection(Profile()));
}

// A container chosen by a new name: the test says it will be created (or why it cannot be),
// the check lets the tables window open, and only the copy makes it.
TEST(TestConnectionTest, ANewContainerIsAnnouncedAndMadeOnlyWhenTheCopyMakesIt) {
  namespace fs = std::filesystem;
  auto foxpro = ScriptedProvider::Install("vfpoledb.1");
  const fs::path folder = fs::temp_directory_path() / ("tesselby-newdbc-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  struct Case {
    std::string file;
    std::string told;  // what Test Connection says
    bool checked;
  };
  const std::string made = (folder / "sales.dbc").string();
  const std::vector<Case> cases = {
      {made,
       "The database container " + made + " does not exist yet; it will be created when tables are sent to FoxPro.",
       true},
      {(folder / "sales.txt").string(), "its file name must end in .dbc", false},
      {(folder / "it's.dbc").string(), "apostrophe", false},
  };
  for (const Case& c : cases) {
    FakeConnectionFields fields = Profile();
    fields.dbcFile = c.file;
    ScriptedPrompter prompter;
    FakeMousePointer pointer;
    prompter.ExpectMsgBoxMatching(
        c.told, [&](const std::string& text) { return text.find(c.told) != std::string::npos; }, vbOKOnly, "");
    TestFoxProConnection(prompter, pointer, fields);
    prompter.ExpectAllUsed();
    EXPECT_EQ(CheckFoxProConnection(fields), c.checked) << c.file;
    EXPECT_TRUE(ContainerIsNew(fields)) << c.file;
  }
  EXPECT_TRUE(fs::is_empty(folder));
  EXPECT_TRUE(foxpro->Opened().empty());
  FakeConnectionFields fields = Profile();
  fields.dbcFile = made;
  CreateNewContainer(fields);
  for (const char* file : {"sales.dbc", "sales.dct", "sales.dcx"}) EXPECT_TRUE(fs::exists(folder / file)) << file;
  EXPECT_FALSE(ContainerIsNew(fields));
  fs::remove_all(folder);
}

}  // namespace
}  // namespace connections
