#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/tables/Calendar.h"
#include "support/FoxProTags.h"
#include "support/QueryToolRun.h"
#include "support/StandIn.h"

namespace {

namespace fs = std::filesystem;
using Outcome = test_support::QueryOutcome;

// The tables of the shared sample folder, copied under names of their own so that no
// other test's tables are touched; vfp9_memo_bs1 holds one memo too long for Oracle.
const std::vector<std::string> kTables = {"cli_dbase_currency", "cli_pyacfl", "cli_vfp9_30", "cli_vfp9_30_memo",
                                          "cli_vfp9_memo_bs1"};

// A typed copy's Oracle name of a FoxPro table.
std::string Upper(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
  return name;
}

std::string Lower(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  return name;
}

Outcome Tesselby(const std::vector<std::string>& args) {
  return test_support::RunQueryTool(TESSELBY_PROGRAM_PATH, args);
}

// The program run by the shell, which does to it what the script says ("$0" is the
// program, "$@" its arguments).
Outcome Scripted(const std::string& script, const std::vector<std::string>& args) {
  std::vector<std::string> all = {"-c", script, TESSELBY_PROGRAM_PATH};
  all.insert(all.end(), args.begin(), args.end());
  return test_support::RunQueryTool("/bin/sh", all);
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(CommandLineTest, HelpVersionAndUsageErrors) {
  const Outcome help = Tesselby({"-h"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: tesselby"), std::string::npos);
  EXPECT_EQ(Tesselby({"-V"}).out, "tesselby 1.0\n");
  // Deleting unasked needs --yes when there is no terminal to ask on.
  for (const auto& bad : std::vector<std::vector<std::string>>{
           {"frobnicate"}, {"delete-oracle", "T"}, {"--all", "send-to-oracle", "T"}, {"--all", "delete-oracle"}}) {
    const Outcome run = Tesselby(bad);
    EXPECT_EQ(run.exitCode, 2) << bad[0];
    EXPECT_NE(run.err.find("tesselby --help"), std::string::npos) << run.err;
  }
}

TEST(CommandLineTest, OutputThatCannotBeWrittenFailsTheRunAndNoDisplayIsSaidNotAborted) {
  for (const char* script : {"exec \"$0\" \"$@\" >/dev/full", "exec \"$0\" \"$@\" >&-"}) {
    EXPECT_EQ(Scripted(script, {"--version"}).exitCode, 1) << script;
  }
  const Outcome windows = Scripted("unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM; exec \"$0\"", {});
  EXPECT_EQ(windows.exitCode, 2);
  EXPECT_NE(windows.err.find(TESSELBY_WINDOWS ? "need a display" : "this build has no windows"), std::string::npos)
      << windows.err;
  EXPECT_NE(windows.err.find("--help"), std::string::npos) << windows.err;
}

class CommandLineStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    root_ = fs::temp_directory_path() / ("tesselby-cli-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "config");
    fs::create_directories(root_ / "back");
    fs::create_directories(root_ / "fox");
    for (const auto& entry : fs::directory_iterator(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "dbffile")) {
      fs::copy_file(entry.path(), root_ / "fox" / ("cli_" + entry.path().filename().string()));
      fs::permissions(root_ / "fox" / ("cli_" + entry.path().filename().string()), fs::perms::owner_write,
                      fs::perm_options::add);
    }
    // A profile of its own, the password from the environment, and no display at all.
    ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    ::setenv("TESSELBY_PASSWORD", "tiger", 1);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    DropTables();
  }
  void TearDown() override {
    if (!root_.empty()) {
      DropTables();
      fs::remove_all(root_);
    }
  }

  Outcome Run(const std::string& folder, std::vector<std::string> args) {
    args.insert(args.begin(), {"--server", "127.0.0.1", "--user", "scott", "--folder", (root_ / folder).string()});
    return Tesselby(args);
  }
  void DropTables() {
    const Outcome listed = Run("fox", {"list"});
    for (const std::string& table : kTables) {
      for (const std::string& name : {table, Upper(table)}) {
        if (listed.out.find("oracle\t" + name + "\n") != std::string::npos)
          Run("fox", {"--yes", "delete-oracle", name});
      }
    }
  }
  std::vector<std::string> With(std::vector<std::string> args) {
    args.insert(args.end(), kTables.begin(), kTables.end());
    return args;
  }

  fs::path root_;
};

TEST_F(CommandLineStandInTest, CopiesEveryTableBothWaysAndVerifiesEveryValue) {
  const Outcome there = Run("fox", With({"--text-types", "--verify", "send-to-oracle"}));
  // The one memo too long for VARCHAR(2000): one report, and every other row arrives.
  EXPECT_EQ(there.exitCode, 1) << there.err;
  EXPECT_EQ(Count(there.err, "sql: INSERT INTO \"cli_vfp9_memo_bs1\""), 1) << there.err;
  EXPECT_EQ(Count(there.err, "Please email screenshot"), 0) << there.err;  // the window's line
  EXPECT_NE(there.err.find("...(2297 bytes)\n"), std::string::npos) << there.err;
  EXPECT_NE(there.out.find("cli_vfp9_memo_bs1 -> cli_vfp9_memo_bs1: 5 rows read, 4 written, 1 failed statements, "),
            std::string::npos)
      << there.out;
  EXPECT_NE(there.out.find("cli_pyacfl -> cli_pyacfl: 15 rows read, 15 written, 0 failed statements, "),
            std::string::npos);
  EXPECT_EQ(Count(there.out, " s, "), 5) << there.out;
  EXPECT_EQ(Count(there.out, " 0 differing"), 5) << there.out;
  EXPECT_NE(there.out.find("300 values compared"), std::string::npos) << there.out;

  const Outcome listed = Run("fox", {"list"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  for (const std::string& table : kTables) {
    EXPECT_NE(listed.out.find("oracle\t" + table + "\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("foxpro\t" + table + "\n"), std::string::npos) << listed.out;
  }

  const Outcome back = Run("back", With({"--text-types", "--verify", "--quiet", "send-to-foxpro"}));
  EXPECT_EQ(back.exitCode, 0) << back.err;
  EXPECT_EQ(back.err, "");
  EXPECT_EQ(Count(back.out, " 0 failed statements, "), 5) << back.out;
  EXPECT_EQ(Count(back.out, " 0 differing"), 5) << back.out;
  EXPECT_TRUE(fs::exists(root_ / "back" / "cli_pyacfl.DBF"));
}

TEST_F(CommandLineStandInTest, ARelativeContainerOrFolderIsTheWorkingFolders) {
  ASSERT_EQ(Run("fox", {"--text-types", "send-to-oracle", "cli_pyacfl"}).exitCode, 0);
  fs::create_directories(root_ / "work" / "free");
  const std::vector<std::pair<std::vector<std::string>, fs::path>> cases = {
      {{"--dbc", "made/shop.dbc", "--create-dbc"}, root_ / "work" / "made" / "cli_pyacfl.DBF"},
      {{"--folder", "free"}, root_ / "work" / "free" / "cli_pyacfl.DBF"},
      {{"--folder", "./free/../free", "--overwrite=yes"}, root_ / "work" / "free" / "cli_pyacfl.DBF"},
  };
  fs::create_directories(root_ / "work" / "made");
  for (const auto& [location, table] : cases) {
    std::vector<std::string> args = {(root_ / "work").string(), "--server", "127.0.0.1", "--user", "scott"};
    args.insert(args.end(), location.begin(), location.end());
    args.insert(args.end(), {"--text-types", "send-to-foxpro", "cli_pyacfl"});
    const Outcome run = Scripted("cd \"$1\" && shift && exec \"$0\" \"$@\"", args);
    EXPECT_EQ(run.exitCode, 0) << location[1] << ": " << run.err;
    EXPECT_NE(run.out.find("15 rows read, 15 written"), std::string::npos) << location[1] << ": " << run.out;
    EXPECT_TRUE(fs::exists(table)) << table;
  }
}

TEST_F(CommandLineStandInTest, OverwriteNoKeepsTheTableAndUnknownNamesAndAWrongPasswordAreReported) {
  ASSERT_EQ(Run("fox", {"send-to-oracle", "cli_pyacfl"}).exitCode, 0);
  const Outcome kept = Run("fox", {"--overwrite=no", "send-to-oracle", "cli_pyacfl"});
  EXPECT_EQ(kept.exitCode, 0) << kept.err;
  EXPECT_EQ(kept.out, "cli_pyacfl: not copied\n");
  // Kept because no one answered (no option, or input that ended unanswered): a script must hear of it.
  for (const char* overwrite : {"--quiet", "--overwrite=ask"}) {
    const Outcome unasked = Run("fox", {overwrite, "send-to-oracle", "cli_pyacfl"});
    EXPECT_EQ(unasked.exitCode, 1) << overwrite;
    EXPECT_TRUE(unasked.err.ends_with("tesselby: CLI_PYACFL exists in Oracle; use --overwrite=yes to replace it\n"))
        << unasked.err;
  }
  const Outcome again = Run("fox", {"--overwrite=yes", "--verify", "send-to-oracle", "cli_pyacfl"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_NE(again.out.find("15 written, 0 failed statements"), std::string::npos) << again.out;
  // The verify counts end each tab-separated line, after the six fields scripts know.
  const Outcome tsv = Run("fox", {"--overwrite=yes", "--verify", "--summary=tsv", "send-to-oracle", "cli_pyacfl"});
  EXPECT_EQ(tsv.exitCode, 0) << tsv.err;
  EXPECT_TRUE(tsv.out.starts_with("cli_pyacfl\t15\t15\t0\t") && tsv.out.ends_with("\tcopied\t300\t0\n")) << tsv.out;

  // A mistyped name must not leave the run copying only the rest.
  const Outcome typo = Run("fox", {"--overwrite=yes", "send-to-oracle", "cli_pyacfl", "cli_nosuch"});
  EXPECT_EQ(typo.exitCode, 1);
  EXPECT_EQ(typo.out, "");
  EXPECT_EQ(typo.err, "tesselby: no FoxPro table cli_nosuch\n");

  ::setenv("TESSELBY_PASSWORD", "wrong", 1);
  const Outcome refused = Run("fox", {"send-to-oracle", "cli_pyacfl"});
  ::setenv("TESSELBY_PASSWORD", "tiger", 1);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(Count(refused.err, "ORA-01017"), 1) << refused.err;
  EXPECT_EQ(Count(refused.err, "Korvane"), 0) << refused.err;
  EXPECT_EQ(refused.out, "");

  EXPECT_EQ(Scripted("exec \"$0\" \"$@\" >/dev/full",
                     {"--server", "127.0.0.1", "--user", "scott", "--folder", (root_ / "fox").string(), "list"})
                .exitCode,
            1);
}

// Under a session with a keyring, a password left in the profile moves there and is read from
// there; a run without the keyring then finds none.
TEST_F(CommandLineStandInTest, TheProfilesPasswordMovesToTheDesktopKeyring) {
  if (!fs::exists("/usr/bin/dbus-run-session") || !fs::exists("/usr/bin/gnome-keyring-daemon")) {
    GTEST_SKIP() << "needs dbus-run-session and gnome-keyring-daemon";
  }
  const fs::path profile = root_ / "config" / "Quenmark.conf";
  std::ofstream(profile) << "[Tesselby]\nPassword=tiger\n";
  fs::create_directories(root_ / "data");
  fs::create_directory(root_ / "run");
  fs::permissions(root_ / "run", fs::perms::owner_all);
  ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
  ::unsetenv("TESSELBY_PASSWORD");
  // The keyring is a new one in the test's folder, unlocked by a password of its own.
  const Outcome inSession = Scripted(
      "exec dbus-run-session -- sh -c 'printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null "
      "&& \"$0\" \"$@\" && \"$0\" \"$@\"' \"$0\" \"$@\"",
      {"--server", "127.0.0.1", "--user", "scott", "--folder", (root_ / "fox").string(), "list"});
  const std::string left = test_support::Slurp(profile);
  const Outcome outside = Run("fox", {"list"});
  ::setenv("TESSELBY_PASSWORD", "tiger", 1);
  EXPECT_EQ(inSession.exitCode, 0) << inSession.err;
  EXPECT_EQ(Count(inSession.out, "foxpro\tcli_pyacfl\n"), 2) << inSession.out;
  EXPECT_NE(left.find("Password=\n"), std::string::npos) << left;
  EXPECT_EQ(outside.exitCode, 1);
  EXPECT_NE(outside.err.find("hint: no password"), std::string::npos) << outside.err;
}

// Scripts get typed columns unless they ask for text, whatever the window's box says.
TEST_F(CommandLineStandInTest, TheSendCommandsKeepTypesUnlessToldToSendText) {
  std::ofstream(root_ / "config" / "Quenmark.conf") << "[Tesselby]\nKeepTypes=0\n";
  const fs::path serverLog = fs::path(support::StandInDir()) / "server.log";
  for (const bool text : {false, true}) {
    const auto logStart = static_cast<std::size_t>(fs::file_size(serverLog));
    std::vector<std::string> args = {"--overwrite=yes", "send-to-oracle", "cli_pyacfl"};
    if (text) args.insert(args.begin(), "--text-types");
    const Outcome sent = Run("fox", args);
    EXPECT_EQ(sent.exitCode, 0) << sent.err;
    const std::string log = test_support::Slurp(serverLog).substr(logStart);
    // The typed copy names it CLI_PYACFL; the text copy then replaces it under that spelling.
    const std::string create = log.substr(log.find("CREATE TABLE \"CLI_PYACFL\""));
    const std::string columns = create.substr(0, create.find('\n'));
    EXPECT_EQ(columns.find("NUMBER(") == std::string::npos, text) << columns;
    EXPECT_EQ(columns.find("VARCHAR(2000)") != std::string::npos, text) << columns;
  }
}

// The driver is found under the profile's name for it, and a data source replaces it.
TEST_F(CommandLineStandInTest, TheProfileNamesTheDriverOrADataSource) {
  const auto profile = [&](const std::string& lines) {
    std::ofstream(root_ / "config" / "Quenmark.conf") << "[Tesselby]\n" << lines;
  };
  profile("OracleDriver=Not Registered\n");
  EXPECT_EQ(Run("fox", {"list"}).exitCode, 1);
  profile("OracleDriver=Stand-in\n");
  EXPECT_EQ(Run("fox", {"list"}).exitCode, 0);
  const Outcome sent = Run("fox", {"send-to-oracle", "cli_pyacfl"});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  EXPECT_NE(sent.out.find("15 written, 0 failed statements"), std::string::npos) << sent.out;

  const fs::path odbcIni = root_ / "odbc.ini";
  std::ofstream(odbcIni) << "[TesselbyOracle]\nDriver=Stand-in\nServername=127.0.0.1\nPort=" << std::getenv("PGPORT")
                         << "\nDatabase=scott\n";
  ::setenv("ODBCINI", odbcIni.c_str(), 1);
  profile("OracleDriver=Not Registered\n");
  const Outcome named = Run("fox", {"--dsn", "TesselbyOracle", "list"});
  profile("OracleDriver=Not Registered\nOracleDsn=TesselbyOracle\n");
  const Outcome saved = Run("fox", {"list"});
  const Outcome overridden = Run("fox", {"--driver", "Stand-in", "list"});
  ::unsetenv("ODBCINI");
  for (const Outcome* run : {&named, &saved, &overridden}) {
    EXPECT_EQ(run->exitCode, 0) << run->err;
    EXPECT_NE(run->out.find("oracle\tCLI_PYACFL\n"), std::string::npos) << run->out;
  }
}

// Each way of not reaching Oracle is named on the terminal, after the program's name.
TEST_F(CommandLineStandInTest, AFailedLoginsHintNamesItsCause) {
  // A registered driver whose library needs one that is gone, as when Oracle's Instant Client
  // folder is not on the library path.
  const fs::path libraries = root_ / "lib";
  fs::create_directories(libraries);
  std::ofstream(libraries / "needed.cpp") << "int Needed() { return 1; }\n";
  std::ofstream(libraries / "driver.cpp") << "int Needed();\nint Driver() { return Needed(); }\n";
  const std::string compiler = TESSELBY_CXX_COMPILER;
  const Outcome built =
      Scripted("cd \"$1\" && " + compiler + " -shared -fPIC -o libneeded.so needed.cpp && " + compiler +
                   " -shared -fPIC -o libdriver.so driver.cpp -L. -lneeded && rm libneeded.so",
               {libraries.string()});
  ASSERT_EQ(built.exitCode, 0) << built.err;
  const fs::path drivers = root_ / "odbc";
  fs::create_directories(drivers);
  fs::copy_file(fs::path(std::getenv("ODBCSYSINI")) / "odbcinst.ini", drivers / "odbcinst.ini");
  std::ofstream(drivers / "odbcinst.ini", std::ios::app)
      << "\n[Broken]\nDriver=" << (libraries / "libdriver.so").string() << "\n";
  const std::string standInDrivers = std::getenv("ODBCSYSINI");
  ::setenv("ODBCSYSINI", drivers.c_str(), 1);

  struct Case {
    std::vector<std::string> args;
    const char* password;
    std::string hint;
  };
  for (const Case& c : std::vector<Case>{
           {{"--driver", "Not Registered"}, "tiger", "hint: the ODBC driver \"Not Registered\" is not registered"},
           {{"--driver", "Broken"},
            "tiger",
            "hint: the ODBC driver's library " + (libraries / "libdriver.so").string() +
                " cannot be loaded (libneeded.so: cannot open shared object file"},
           {{}, "wrong", "hint: Oracle refused the user name or password"},
           {{"--server", "nosuch.invalid"}, "tiger", "hint: Oracle's service \"nosuch.invalid\" was not found"},
       }) {
    ::setenv("TESSELBY_PASSWORD", c.password, 1);
    std::vector<std::string> args = c.args;
    args.push_back("list");
    const Outcome run = Run("fox", args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.starts_with("tesselby: ")) << run.err;
    EXPECT_NE(run.err.find(c.hint), std::string::npos) << run.err;
  }
  ::setenv("TESSELBY_PASSWORD", "tiger", 1);
  ::setenv("ODBCSYSINI", standInDrivers.c_str(), 1);
}

TEST_F(CommandLineStandInTest, TablesRunInTheOrderTypedAndDeleteAndRenameSayWhatTheyDid) {
  const fs::path serverLog = fs::path(support::StandInDir()) / "server.log";
  const auto logStart = static_cast<std::size_t>(fs::file_size(serverLog));
  const Outcome sent =
      Run("fox", {"--summary=tsv", "send-to-oracle", "cli_vfp9_30", "cli_dbase_currency", "cli_pyacfl"});
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  const std::string log = test_support::Slurp(serverLog).substr(logStart);
  const auto created = [&](const std::string& table) { return log.find("CREATE TABLE \"" + table + "\""); };
  EXPECT_LT(created("CLI_VFP9_30"), created("CLI_DBASE_CURRENCY"));
  EXPECT_LT(created("CLI_DBASE_CURRENCY"), created("CLI_PYACFL"));
  EXPECT_NE(created("CLI_PYACFL"), std::string::npos);
  const std::string copied = "\tcopied\n";
  ASSERT_EQ(Count(sent.out, copied), 3) << sent.out;
  EXPECT_EQ(sent.out.rfind("cli_vfp9_30\t", 0), 0u) << sent.out;
  EXPECT_LT(sent.out.find("cli_dbase_currency\t"), sent.out.find("cli_pyacfl\t15\t15\t0\t")) << sent.out;

  const Outcome renamed = Run("fox", {"rename-foxpro", "cli_vfp9_30", "cli_renamed"});
  EXPECT_EQ(renamed.out, "renamed FoxPro table cli_vfp9_30 to cli_renamed\n") << renamed.err;
  const Outcome dropped = Run("fox", {"--yes", "delete-oracle", "CLI_PYACFL", "CLI_DBASE_CURRENCY"});
  EXPECT_EQ(dropped.exitCode, 0) << dropped.err;
  EXPECT_EQ(dropped.out, "dropped Oracle table CLI_PYACFL\ndropped Oracle table CLI_DBASE_CURRENCY\n");
}

// Every file of a folder with its bytes, to see that nothing was written.
std::map<std::string, std::string> FolderContents(const fs::path& folder) {
  std::map<std::string, std::string> contents;
  for (const auto& entry : fs::directory_iterator(folder))
    contents[entry.path().filename()] = test_support::Slurp(entry.path());
  return contents;
}

TEST_F(CommandLineStandInTest, KeptTypesCopyBothWaysAndTheirPlanChangesNothing) {
  const fs::path serverLog = fs::path(support::StandInDir()) / "server.log";
  const auto before = FolderContents(root_ / "fox");
  const auto logStart = static_cast<std::size_t>(fs::file_size(serverLog));
  const Outcome plan = Run("fox", {"--keep-types", "--dry-run", "send-to-oracle", "cli_dbase_currency"});
  EXPECT_EQ(plan.exitCode, 0) << plan.err;
  EXPECT_NE(plan.out.find("CREATE TABLE \"CLI_DBASE_CURRENCY\"("), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("COMMENT ON COLUMN \"CLI_DBASE_CURRENCY\"."), std::string::npos) << plan.out;
  const std::string log = test_support::Slurp(serverLog).substr(logStart);
  for (const char* change : {"CREATE TABLE", "INSERT INTO", "COMMENT ON", "DROP TABLE"}) {
    EXPECT_EQ(log.find(change), std::string::npos) << change;
  }
  EXPECT_TRUE(FolderContents(root_ / "fox") == before);

  const Outcome there = Run("fox", With({"--keep-types", "--verify", "--quiet", "send-to-oracle"}));
  EXPECT_EQ(Count(there.out, " 0 differing"), 5) << there.out << there.err;
  std::vector<std::string> backArgs = {"--keep-types", "--verify", "--quiet", "send-to-foxpro"};
  for (const std::string& table : kTables) backArgs.push_back(Upper(table));
  const Outcome back = Run("back", backArgs);
  EXPECT_EQ(back.exitCode, 0) << back.err;
  EXPECT_EQ(Count(back.out, " 0 failed statements, "), 5) << back.out;
  EXPECT_EQ(Count(back.out, " 0 differing"), 5) << back.out;
}

// The statements that change a side, in their order: the plan's lines, or the stand-in log's
// lines of what the program sent, found by the marker before them.
std::vector<std::string> ChangingStatements(const std::string& text, const std::string& marker) {
  std::vector<std::string> statements;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    const auto at = line.find(marker);
    if (at == std::string::npos) continue;
    const std::string statement = line.substr(at + marker.size());
    for (const char* kind : {"CREATE ", "ALTER ", "DROP ", "COMMENT "}) {
      if (statement.starts_with(kind)) statements.push_back(statement);
    }
  }
  return statements;
}

// A dry run changes nothing: delete and rename say what they would do, checking the names as
// the commands do, and need no confirmation.
TEST_F(CommandLineStandInTest, DeleteAndRenameInADryRunSayWhatTheyWouldDoAndDoNothing) {
  ASSERT_EQ(Run("fox", {"send-to-oracle", "cli_pyacfl"}).exitCode, 0);
  const std::string listed = Run("fox", {"list"}).out;
  const auto files = FolderContents(root_ / "fox");
  const struct {
    std::vector<std::string> args;
    std::string out;
    int status;
  } cases[] = {
      {{"--yes", "delete-foxpro", "cli_pyacfl"}, "would drop FoxPro table cli_pyacfl\n", 0},
      {{"delete-oracle", "CLI_PYACFL"}, "would drop Oracle table CLI_PYACFL\n", 0},
      {{"rename-foxpro", "cli_pyacfl", "cli_renamed"}, "would rename FoxPro table cli_pyacfl to cli_renamed\n", 0},
      {{"rename-oracle", "CLI_PYACFL", "CLI_RENAMED"}, "would rename Oracle table CLI_PYACFL to CLI_RENAMED\n", 0},
      {{"rename-foxpro", "cli_pyacfl", "CLI_VFP9_30"}, "", 1},  // the name is taken
      {{"rename-foxpro", "cli_pyacfl", "cli'x"}, "", 1},        // the name is refused
      {{"delete-oracle", "cli_nosuch"}, "", 1},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"--dry-run"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Outcome run = Run("fox", args);
    EXPECT_EQ(run.exitCode, c.status) << c.args[1] << run.err;
    EXPECT_EQ(run.out, c.out) << run.err;
  }
  EXPECT_EQ(Run("fox", {"list"}).out, listed);
  EXPECT_TRUE(FolderContents(root_ / "fox") == files);
}

// The plan describes the run the same options make: its statements are the ones the run sends
// (text or typed columns, keys under the names the run gives them), and a target that exists
// is said to be replaced or kept, with the run's exit status.
TEST_F(CommandLineStandInTest, ThePlanIsTheRunTheSameOptionsMake) {
  const std::vector<std::string> keyed = {"cli_keya", "cli_keyb"};
  {
    ado::Connection foxPro;
    foxPro.Open("Provider=vfpoledb.1;Data Source=" + (root_ / "fox").string() + ";");
    for (const std::string& table : keyed) {
      foxPro.Execute("CREATE TABLE '" + table + "' ([id] I NULL, [name] C(10) NULL)");
      foxPro.Execute("INSERT INTO '" + table + "' VALUES ('1', 'pear')");
      foxPro.Execute("INDEX ON id TAG primarykey OF '" + table + ".cdx' CANDIDATE");  // one tag name, twice
    }
  }
  const auto dropKeyed = [&] {
    for (const std::string& table : keyed) Run("fox", {"--yes", "delete-oracle", table});
  };
  dropKeyed();
  const fs::path serverLog = fs::path(support::StandInDir()) / "server.log";
  const struct {
    std::vector<std::string> options;
    std::string existing;  // said of each table
    std::size_t keys;
    int status;
  } cases[] = {
      {{"--text-types"}, "", 0, 0},
      {{"--keep-types", "--overwrite=yes"}, "  exists; will be replaced\n", 2, 0},
      {{"--keep-types", "--overwrite=yes"}, "  exists; will be replaced\n", 2, 0},  // their names free again
      {{"--overwrite=no"}, "  exists; will be kept\n", 0, 0},
      {{"--quiet"}, "  exists; will be kept (exit 1): use --overwrite=yes to replace it\n", 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options.back() + " " + c.options.front());
    std::vector<std::string> args = c.options;
    args.push_back("send-to-oracle");
    args.insert(args.end(), keyed.begin(), keyed.end());
    args.insert(args.begin(), "--dry-run");
    const Outcome plan = Run("fox", args);
    args.erase(args.begin());
    const auto logStart = static_cast<std::size_t>(fs::file_size(serverLog));
    const Outcome run = Run("fox", args);
    const std::string log = test_support::Slurp(serverLog).substr(logStart);
    EXPECT_EQ(plan.exitCode, c.status) << plan.err;
    EXPECT_EQ(run.exitCode, c.status) << run.err;
    EXPECT_EQ(Count(plan.out, "  exists; "), c.existing.empty() ? 0 : 2) << plan.out;
    if (!c.existing.empty()) {
      EXPECT_EQ(Count(plan.out, c.existing), 2) << plan.out;
    }
    // The front logs what it translates, the server what passes unchanged (DROP TABLE).
    const std::vector<std::string> planned = ChangingStatements(plan.out, "  ");
    const std::vector<std::string> sent = ChangingStatements(log, "LOG:  statement: ");
    for (const std::string& statement : planned) {
      EXPECT_NE(std::find(sent.begin(), sent.end(), statement), sent.end()) << statement;
    }
    for (const std::string& statement : ChangingStatements(log, "[front] LOG:  statement: ")) {
      EXPECT_NE(std::find(planned.begin(), planned.end(), statement), planned.end()) << statement << plan.out;
    }
    EXPECT_EQ(static_cast<std::size_t>(Count(plan.out, " ADD CONSTRAINT ")), c.keys) << plan.out;
    // The text copy made cli_keya; a typed copy replaces it under that spelling, and says so.
    const std::string kept = "table cli_keya keeps its letter case";
    EXPECT_EQ(Count(plan.out, kept), c.keys == 2 ? 1 : 0) << plan.out;
    EXPECT_EQ(Count(run.err, kept), c.keys == 2 ? 1 : 0) << run.err;
  }
  // The other way, the text copy's fields are memos and it makes no tags.
  const Outcome text = Run("back", {"--text-types", "--dry-run", "send-to-foxpro", "cli_keya"});
  EXPECT_EQ(text.exitCode, 0) << text.err;
  // The typed runs replaced the table under its listed spelling, with Oracle's column names.
  EXPECT_NE(text.out.find("/cli_keya.DBF'([ID] M,[NAME] M);\n"), std::string::npos) << text.out;
  EXPECT_EQ(text.out.find(" TAG "), std::string::npos) << text.out;
  EXPECT_NE(Run("back", {"--keep-types", "--dry-run", "send-to-foxpro", "cli_keya"}).out.find(" TAG primarykey"),
            std::string::npos);
  dropKeyed();
}

// A table FoxPro refuses whole (more than 255 fields, a record over 65,500 bytes) is refused in
// the plan with the engine's words, and the plan fails as the run does.
TEST_F(CommandLineStandInTest, ThePlanFindsTheTablesFoxProRefusesWhole) {
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  const struct {
    int columns;
    std::string type;
    std::string types;
    std::string refusal;
  } cases[] = {{256, "NUMBER(5)", "--text-types", "Too many fields for table "},
               {258, "VARCHAR2(254 CHAR)", "--keep-types", "Record is too large for table "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.types);
    oracle.Execute("DROP TABLE IF EXISTS \"cli_wide\"");
    std::string create = "CREATE TABLE \"cli_wide\" (";
    for (int k = 1; k <= c.columns; ++k) create += (k == 1 ? "\"C" : ", \"C") + std::to_string(k) + "\" " + c.type;
    oracle.Execute(create + ")");
    const Outcome plan = Run("back", {c.types, "--dry-run", "send-to-foxpro", "cli_wide"});
    EXPECT_EQ(plan.exitCode, 1);
    EXPECT_NE(plan.out.find("  will not be created (exit 1): " + c.refusal), std::string::npos) << plan.out;
    const Outcome run = Run("back", {c.types, "send-to-foxpro", "cli_wide"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(c.refusal), std::string::npos) << run.err;
  }
  oracle.Execute("DROP TABLE \"cli_wide\"");
}

TEST_F(CommandLineStandInTest, AUniqueTagOverRepeatedKeysBecomesAPlainIndexAndEveryRowArrives) {
  {
    // FoxPro's UNIQUE tag lets the second pear in: it indexes only the first row of a key.
    ado::Connection foxPro;
    foxPro.Open("Provider=vfpoledb.1;Data Source=" + (root_ / "fox").string() + ";");
    foxPro.Execute("CREATE TABLE 'cli_dups' ([name] C(10) NULL)");
    for (const char* name : {"pear", "apple", "pear"})
      foxPro.Execute(std::string("INSERT INTO 'cli_dups' VALUES ('") + name + "')");
    foxPro.Execute("INDEX ON name TAG name OF 'cli_dups.cdx' UNIQUE");
  }
  Run("fox", {"--yes", "delete-oracle", "CLI_DUPS"});
  const Outcome run = Run("fox", {"--keep-types", "send-to-oracle", "cli_dups"});
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  ado::Recordset index;
  index.Open("SELECT UNIQUENESS FROM USER_INDEXES WHERE TABLE_NAME = 'CLI_DUPS'", oracle);
  const std::string uniqueness = index.Eof() ? "(none)" : ado::ValueToText(index.Fields(0).Value);
  index.Close();
  Run("fox", {"--yes", "delete-oracle", "CLI_DUPS"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("cli_dups -> CLI_DUPS: 3 rows read, 3 written, 0 failed"), std::string::npos) << run.out;
  EXPECT_EQ(uniqueness, "NONUNIQUE");
}

TEST_F(CommandLineStandInTest, AnOracleKeyNameThatWouldEndItsQuotesBecomesAPlainTag) {
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  try {
    oracle.Execute("DROP TABLE \"cli_hostile\"");
  } catch (const ado::Failure&) {
    // not there
  }
  oracle.Execute("CREATE TABLE \"cli_hostile\" (\"A\" VARCHAR2(5 CHAR))");
  oracle.Execute("INSERT INTO \"cli_hostile\" VALUES ('x')");
  oracle.Execute("CREATE INDEX \"1 OF '..\" ON \"cli_hostile\" (\"A\")");
  const Outcome run = Run("back", {"--keep-types", "send-to-foxpro", "cli_hostile"});
  oracle.Execute("DROP TABLE \"cli_hostile\"");
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  ado::Connection foxPro;
  foxPro.Open("Provider=vfpoledb.1;Data Source=" + (root_ / "back").string() + ";");
  const std::unique_ptr<ado::Recordset> tags = foxPro.OpenIndexesSchema("cli_hostile");
  ASSERT_FALSE(tags->Eof());
  EXPECT_EQ(ado::ValueToText(tags->Fields("INDEX_NAME").Value), "k1_of____");
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(root_ / "back")) files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"cli_hostile.CDX", "cli_hostile.DBF"})) << run.err;
}

// The record count in a FoxPro table's header, and the count its size allows.
std::pair<std::uint32_t, std::uint64_t> HeaderAndFileRecords(const fs::path& table) {
  std::ifstream in(table, std::ios::binary);
  unsigned char header[12] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  const std::uint32_t records =
      header[4] | header[5] << 8 | header[6] << 16 | static_cast<std::uint32_t>(header[7]) << 24;
  const std::uint64_t headerSize = header[8] | header[9] << 8;
  const std::uint64_t recordSize = header[10] | header[11] << 8;
  const std::uint64_t body = fs::file_size(table) - headerSize;
  return {records, recordSize == 0 ? 0 : body / recordSize};  // a trailing end-of-file byte is no record
}

TEST_F(CommandLineStandInTest, ASignalEndsTheCopyWithAConsistentTableAndASummary) {
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  oracle.Execute("DROP TABLE IF EXISTS \"CLI_BIG\"");  // left by a run that failed
  oracle.Execute("CREATE TABLE \"CLI_BIG\"(\"ID\" INT, \"NAME\" VARCHAR(20))");
  oracle.Execute("INSERT INTO \"CLI_BIG\" SELECT g, 'row ' || g FROM generate_series(1, 200000) g");
  // Five moments of the copy, told by how far its table file has grown (the whole file is
  // larger than the last): timing by the clock would depend on the machine's load.
  const std::string table = (root_ / "back" / "cli_big.DBF").string();
  for (const char* moment : {"0", "20000", "300000", "800000", "1400000"}) {
    fs::remove_all(root_ / "back");
    fs::create_directories(root_ / "back");
    const Outcome run = Scripted(
        "\"$0\" \"$@\" & pid=$!; "
        "until [ \"$(stat -c %s '" +
            table + "' 2>/dev/null || echo -1)\" -ge " + moment +
            " ] || ! kill -0 $pid; "
            "do sleep 0.01; done; kill -TERM $pid; wait $pid",
        {"--server", "127.0.0.1", "--user", "scott", "--folder", (root_ / "back").string(), "--summary=tsv",
         "send-to-foxpro", "CLI_BIG"});
    EXPECT_EQ(run.exitCode, 143) << moment << run.err;
    // name, read, written, failed, seconds, status
    const auto fields = [&] {
      std::vector<std::string> split;
      std::string field;
      for (char c : run.out) {
        if (c == '\t' || c == '\n') {
          split.push_back(field);
          field.clear();
        } else {
          field += c;
        }
      }
      return split;
    }();
    ASSERT_EQ(fields.size(), 6u) << moment << run.out << run.err;
    EXPECT_EQ(fields[5], "partial") << moment;
    const auto [header, records] = HeaderAndFileRecords(root_ / "back" / "cli_big.DBF");
    EXPECT_EQ(header, records) << moment;
    EXPECT_EQ(std::to_string(header), fields[2]) << moment;
    ado::Connection foxPro;
    foxPro.CursorLocation = ado::adUseClient;
    foxPro.Open("Provider=vfpoledb.1;Data Source=" + (root_ / "back").string() + ";Collating Sequence=general;");
    ado::Recordset rows;
    rows.Open("SELECT * FROM `cli_big`", foxPro);
    EXPECT_EQ(rows.RecordCount(), static_cast<long>(header)) << moment;
  }
  oracle.Execute("DROP TABLE \"CLI_BIG\"");
}

// Drops an Oracle table a test made, or one a failed run left.
void DropOracleTable(ado::Connection& oracle, const std::string& name) {
  try {
    oracle.Execute("DROP TABLE \"" + name + "\"");
  } catch (const ado::Failure&) {
    // not there
  }
}

std::vector<ado::Value> Column(const std::string& connectionString, const std::string& sql, int field = 0) {
  ado::Connection connection;
  connection.CursorLocation = ado::adUseClient;
  connection.Open(connectionString);
  ado::Recordset rows;
  rows.Open(sql, connection);
  std::vector<ado::Value> values;
  for (; !rows.Eof(); rows.MoveNext()) values.push_back(rows.Fields(field).Value.AsValue());
  return values;
}

// FoxPro's stored milliseconds go to Oracle as they are, never to the next second or year, and
// a year Oracle cannot hold is refused with a report naming the row and the field.
TEST_F(CommandLineStandInTest, FoxProMillisecondsArriveAsStoredAndAYearPast9999IsRefused) {
  const std::string fox = "Provider=vfpoledb.1;Data Source=" + (root_ / "fox").string() + ";";
  {
    ado::Connection foxPro;
    foxPro.Open(fox);
    foxPro.Execute("CREATE TABLE 'cli_stamps' ([id] I, [stamp] T NULL)");
    auto arrays = foxPro.PrepareArrays("INSERT INTO 'cli_stamps' VALUES(?, ?)", 2);
    ASSERT_NE(arrays, nullptr);
    ado::ValueRows rows(2);
    for (const ado::Value& value : {ado::Value(1), ado::Value(ado::DateTime{{2024, 1, 1}, 23, 59, 59, 999}),
                                    ado::Value(2), ado::Value(ado::DateTime{{9999, 12, 31}, 23, 59, 59, 999}),
                                    ado::Value(3), ado::Value(ado::DateTime{{9999, 12, 31}, 0, 0, 0, 0})}) {
      rows.Add(value);
    }
    ASSERT_TRUE(arrays->SendValues(rows).empty());
  }
  {
    // FoxPro's day numbers run past 9999: the third row's day becomes 10000-01-01.
    std::fstream table(root_ / "fox" / "cli_stamps.dbf", std::ios::in | std::ios::out | std::ios::binary);
    unsigned char header[12] = {};
    table.read(reinterpret_cast<char*>(header), sizeof header);
    const std::uint32_t day = static_cast<std::uint32_t>(foxpro::JulianDayOf({9999, 12, 31}) + 1);
    const unsigned char bytes[4] = {static_cast<unsigned char>(day), static_cast<unsigned char>(day >> 8),
                                    static_cast<unsigned char>(day >> 16), static_cast<unsigned char>(day >> 24)};
    // After the deletion flag and the 4 bytes of id.
    table.seekp((header[8] | header[9] << 8) + 2 * (header[10] | header[11] << 8) + 1 + 4);
    table.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  DropOracleTable(oracle, "CLI_STAMPS");
  const Outcome run = Run("fox", {"--keep-types", "--verify", "send-to-oracle", "cli_stamps"});
  const std::vector<ado::Value> stamps =
      Column(support::kOracleConnectionString, "SELECT \"STAMP\" FROM \"CLI_STAMPS\" ORDER BY \"ID\"");
  DropOracleTable(oracle, "CLI_STAMPS");
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  EXPECT_NE(run.err.find("Table CLI_STAMPS, row 3 was refused: Parameter 2 holds a date outside Oracle's years -4712 "
                         "to 9999\nColumn STAMP, value '"),
            std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("3 rows read, 2 written, 1 failed statements"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(" 0 differing\n"), std::string::npos) << run.out;
  EXPECT_EQ(stamps, (std::vector<ado::Value>{ado::DateTime{{2024, 1, 1}, 23, 59, 59, 999},
                                             ado::DateTime{{9999, 12, 31}, 23, 59, 59, 999}}));
}

// An Oracle time finer than FoxPro's milliseconds is cut toward the past, never into the next
// second or year, and the plan, the summary and --verify count it as rounded by the rule.
TEST_F(CommandLineStandInTest, OracleTimesAreCutToTheMillisecondAndCountedAsRoundedByTheRule) {
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  DropOracleTable(oracle, "cli_times");
  oracle.Execute("CREATE TABLE \"cli_times\" (\"ID\" NUMBER(5), \"STAMP\" TIMESTAMP(6))");
  for (const char* row :
       {"1, '2024-01-01 23:59:59.9996'", "2, '9999-12-31 23:59:59.9999'", "3, '2024-02-29 12:00:00.25'"})
    oracle.Execute(std::string("INSERT INTO \"cli_times\" VALUES (") + row + ")");
  const Outcome plan = Run("back", {"--keep-types", "--dry-run", "send-to-foxpro", "cli_times"});
  const Outcome run = Run("back", {"--keep-types", "--verify", "send-to-foxpro", "cli_times"});
  DropOracleTable(oracle, "cli_times");
  EXPECT_NE(plan.out.find("(2 values cut to the millisecond (rounded by the rule)"), std::string::npos) << plan.out;
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("3 rows read, 3 written, 0 failed statements"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(" s, 2 values rounded by the rule, "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find(" 0 differing, 2 rounded by the rule\n"), std::string::npos) << run.out;
  EXPECT_EQ(Count(run.out, "rounded by the rule: cli_times row "), 2) << run.out;
  EXPECT_EQ(Column("Provider=vfpoledb.1;Data Source=" + (root_ / "back").string() + ";", "SELECT * FROM `cli_times`",
                   1),  // in the order sent
            (std::vector<ado::Value>{ado::DateTime{{2024, 1, 1}, 23, 59, 59, 999},
                                     ado::DateTime{{9999, 12, 31}, 23, 59, 59, 999},
                                     ado::DateTime{{2024, 2, 29}, 12, 0, 0, 250}}));
}

// NUMBER(38) and unconstrained NUMBER too wide for FoxPro's numbers arrive as their digits in
// C fields, and --verify finds them equal.
TEST_F(CommandLineStandInTest, WideNumbersKeptAsDigitsVerifyEqual) {
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  DropOracleTable(oracle, "cli_wide");
  oracle.Execute("CREATE TABLE \"cli_wide\" (\"WIDE\" NUMBER(38), \"ANYNUM\" NUMBER)");
  oracle.Execute(
      "INSERT INTO \"cli_wide\" VALUES (12345678901234567890123456789012345678, "
      "-123456789012345678901234567890.5)");
  oracle.Execute("INSERT INTO \"cli_wide\" VALUES (-7, 0.25)");
  const Outcome run = Run("back", {"--keep-types", "--verify", "send-to-foxpro", "cli_wide"});
  DropOracleTable(oracle, "cli_wide");
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_NE(run.out.find(", 4 values compared, 0 differing\n"), std::string::npos) << run.out;
}

TEST_F(CommandLineStandInTest, WhatAFieldDeclaresAndOracleCannotTakeIsListedInThePlanAndTheSummary) {
  fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "northwind", root_ / "nw");
  const std::string dbc = (root_ / "nw" / "northwind.dbc").string();
  {
    ado::Connection foxPro;
    foxPro.Open("Provider=vfpoledb.1;Data Source=" + dbc + ";");
    foxPro.Execute("CREATE TABLE 'cli_decl' ([made] T NULL, [qty] N(5,0) NULL)");
    foxpro::DbcCatalog(dbc).Declare(
        "cli_decl", {"", {{"made", "DATETIME()", "", "", "", ""}, {"qty", "", "", "", "qty > 0 OR qty < -5", ""}}});
  }
  const auto run = [&](const std::vector<std::string>& args) {
    std::vector<std::string> all = {"--server", "127.0.0.1", "--user", "scott", "--dbc", dbc, "--keep-types"};
    all.insert(all.end(), args.begin(), args.end());
    return Tesselby(all);
  };
  const std::string defaultLine = "field made: default DATETIME() not carried";
  const std::string ruleLine = "field qty: rule qty > 0 OR qty < -5 not carried";
  const Outcome plan = run({"--overwrite=yes", "--dry-run", "send-to-oracle", "cli_decl"});
  EXPECT_EQ(plan.exitCode, 0) << plan.err;
  EXPECT_NE(plan.out.find(defaultLine), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find(ruleLine), std::string::npos) << plan.out;
  const Outcome sent = run({"--overwrite=yes", "send-to-oracle", "cli_decl"});
  const Outcome dropped = Run("fox", {"--yes", "delete-oracle", "CLI_DECL"});
  EXPECT_EQ(dropped.exitCode, 0) << dropped.err;
  EXPECT_EQ(sent.exitCode, 0) << sent.err;
  // Notes go with the progress, to the terminal's error stream.
  EXPECT_NE(sent.err.find("CLI_DECL: " + defaultLine), std::string::npos) << sent.err;
  EXPECT_NE(sent.err.find("CLI_DECL: " + ruleLine), std::string::npos) << sent.err;
}

// Per table of a plan, its columns as the target gets them: "name TYPE", the name as shortened
// where the notes say so, the type as declared.
std::map<std::string, std::vector<std::string>> PlannedColumns(const std::string& plan) {
  std::map<std::string, std::vector<std::string>> tables;
  std::string table;
  std::istringstream lines(plan);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("Table ")) table = line.substr(6, line.find(" -> ") - 6);
    const auto arrow = line.find("  ->  ");
    if (!line.starts_with("  ") || arrow == std::string::npos) continue;
    std::string target = line.substr(arrow + 6);
    const auto notes = target.find("  (");
    const std::string said = notes == std::string::npos ? "" : target.substr(notes);
    target = target.substr(0, notes);
    const auto nameEnd = target.find_first_of("\"]", 1);
    std::string name = target.substr(1, nameEnd - 1);
    const auto cut = said.find("name shortened to ");
    if (cut != std::string::npos) name = said.substr(cut + 18, said.find_first_of(";)", cut) - cut - 18);
    std::string type = target.substr(nameEnd + 2);
    if (const auto charUnit = type.find(" CHAR)"); charUnit != std::string::npos) type.erase(charUnit, 5);
    type = type.substr(0, type.find(' '));
    if (type.starts_with("VARCHAR(")) type.insert(7, "2");
    if (type == "INT") type = "NUMBER";
    tables[table].push_back(name + " " + type);
  }
  return tables;
}

// An Oracle table's columns in the plan's terms, read from USER_TAB_COLUMNS.
std::vector<std::string> OracleColumns(const std::string& table) {
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  ado::Recordset rows;
  rows.Open(
      "SELECT COLUMN_NAME, DATA_TYPE, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH FROM USER_TAB_COLUMNS "
      "WHERE TABLE_NAME = '" +
          table + "' ORDER BY COLUMN_ID",
      oracle);
  std::vector<std::string> columns;
  for (; !rows.Eof(); rows.MoveNext()) {
    const auto text = [&](int field) { return ado::ValueToText(rows.Fields(field).Value); };
    std::string type = text(1);
    if (type == "VARCHAR2") type += "(" + text(4) + ")";
    if (type == "NUMBER" && !text(2).empty()) type += "(" + text(2) + (text(3) == "0" ? "" : "," + text(3)) + ")";
    columns.push_back(text(0) + " " + type);
  }
  return columns;
}

// A .dbf's fields in the plan's terms, read from its header here and not by the engine.
std::vector<std::string> DbfFields(const fs::path& table) {
  const std::string bytes = test_support::Slurp(table);
  std::vector<std::string> fields;
  for (std::size_t at = 32; at + 32 <= bytes.size() && bytes[at] != '\r'; at += 32) {
    std::string name = bytes.substr(at, 11);
    name = name.substr(0, name.find('\0'));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    const char type = bytes[at + 11];
    std::string field = name + " " + type;
    const int length = static_cast<unsigned char>(bytes[at + 16]);
    const int decimals = static_cast<unsigned char>(bytes[at + 17]);
    if (std::string("CVNFQ").find(type) != std::string::npos) {
      field += "(" + std::to_string(length) + (decimals == 0 ? "" : "," + std::to_string(decimals)) + ")";
    }
    fields.push_back(field);
  }
  return fields;
}

// --all sends every table of the source, the dry run's columns are the ones the run then makes
// in either mode, and the source's views are named with their SQL, never made tables.
TEST_F(CommandLineStandInTest, AllSendsEveryTableAsItsPlanSaysAndNamesTheViews) {
  const std::vector<std::string> books = {"authors", "auto_ids", "bookauth", "books", "topics"};
  fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "vfp9-xsource-books", root_ / "books");
  for (const auto& entry : fs::directory_iterator(root_ / "books"))
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
  const std::string container = (root_ / "books" / "Books.DBC").string();
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  const auto dropBooks = [&] {
    try {
      oracle.Execute("DROP VIEW \"cli_cheap_books\"");
    } catch (const ado::Failure&) {
      // not there
    }
    for (const std::string& table : books) {
      DropOracleTable(oracle, table);
      DropOracleTable(oracle, Upper(table));
    }
  };
  dropBooks();
  const auto send = [&](const std::string& where, std::vector<std::string> args) {
    const std::vector<std::string> options = {where,
                                              where == "--dbc" ? container : (root_ / "back").string(),
                                              "--server",
                                              "127.0.0.1",
                                              "--user",
                                              "scott",
                                              "--overwrite=yes",
                                              "--quiet",
                                              "--all"};
    args.insert(args.begin(), options.begin(), options.end());
    return Tesselby(args);
  };
  for (const char* mode : {"--text-types", "--keep-types"}) {
    SCOPED_TRACE(mode);
    const auto files = FolderContents(root_ / "books");
    const std::string oracleBefore = Run("fox", {"list"}).out;
    const Outcome plan = send("--dbc", {mode, "--dry-run", "send-to-oracle"});
    EXPECT_EQ(plan.exitCode, 0) << plan.err;
    EXPECT_TRUE(FolderContents(root_ / "books") == files);
    EXPECT_EQ(Run("fox", {"list"}).out, oracleBefore);
    const Outcome there = send("--dbc", {mode, "send-to-oracle"});
    EXPECT_EQ(there.exitCode, 0) << there.err;
    const auto planned = PlannedColumns(plan.out);
    EXPECT_EQ(planned.size(), books.size()) << plan.out;
    // A typed copy gives Oracle's tables and columns upper-case names.
    const bool typed = std::string(mode) == "--keep-types";
    const auto oracleName = [&](const std::string& table) { return typed ? Upper(table) : table; };
    for (const std::string& table : books) {
      EXPECT_NE(there.out.find(table + " -> " + oracleName(table) + ": "), std::string::npos) << there.out;
      EXPECT_EQ(planned.at(table), OracleColumns(oracleName(table))) << table;
    }
    for (const Outcome* said : {&plan, &there}) {
      EXPECT_NE(said->out.find("view titles by author: not carried (a view, not a table); its SQL: SELECT "
                               "Authors.*, Books.* FROM books!authors INNER JOIN"),
                std::string::npos)
          << said->out;
      EXPECT_NE(said->out.find("view titles by topic: not carried"), std::string::npos) << said->out;
    }
    EXPECT_EQ(Run("fox", {"list"}).out.find("oracle\ttitles by"), std::string::npos);

    oracle.Execute(typed ? "CREATE VIEW \"cli_cheap_books\" AS SELECT \"TITLE\" FROM \"BOOKS\" WHERE \"PAGES\" < 300"
                         : "CREATE VIEW \"cli_cheap_books\" AS SELECT \"title\" FROM \"books\" WHERE \"pages\" < 300");
    fs::remove_all(root_ / "back");
    fs::create_directories(root_ / "back");
    const Outcome backPlan = send("--folder", {mode, "--dry-run", "send-to-foxpro"});
    EXPECT_EQ(backPlan.exitCode, 0) << backPlan.err;
    EXPECT_TRUE(fs::is_empty(root_ / "back"));
    const Outcome back = send("--folder", {mode, "send-to-foxpro"});
    const std::string oracleTables = Run("fox", {"list"}).out;
    EXPECT_EQ(Count(back.out, " -> "), Count(oracleTables, "oracle\t")) << back.out << oracleTables;
    const auto backPlanned = PlannedColumns(backPlan.out);
    for (const std::string& table : books) {
      EXPECT_EQ(backPlanned.at(oracleName(table)), DbfFields(root_ / "back" / (table + ".DBF"))) << table;
    }
    for (const Outcome* said : {&backPlan, &back}) {
      EXPECT_NE(said->out.find("view cli_cheap_books: not carried (a view, not a table); its SQL: SELECT"),
                std::string::npos)
          << said->out;
    }
    EXPECT_FALSE(fs::exists(root_ / "back" / "cli_cheap_books.DBF"));
    dropBooks();
  }
}

// The whole Northwind container, where CUSTOMERS' tag region makes an index REGION before the
// table REGION: Oracle keeps the two apart, so every table arrives, and comes back into a new
// container.
TEST_F(CommandLineStandInTest, AllSendsAWholeContainerWhoseIndexTakesATablesNameAndBringsItBack) {
  struct Table {
    std::string name;
    int rows;
  };
  const std::vector<Table> tables = {{"Categories", 8},
                                     {"CustomerCustomerDemo", 0},
                                     {"CustomerDemographics", 0},
                                     {"Customers", 91},
                                     {"Employees", 9},
                                     {"EmployeeTerritories", 49},
                                     {"OrderDetails", 2155},
                                     {"Orders", 830},
                                     {"Products", 77},
                                     {"Region", 4},
                                     {"Shippers", 3},
                                     {"Suppliers", 29},
                                     {"Territories", 53}};
  fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "northwind", root_ / "nw");
  for (const auto& entry : fs::directory_iterator(root_ / "nw"))
    fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  const auto dropAll = [&] {
    for (const Table& table : tables) {
      try {
        oracle.Execute("DROP TABLE \"" + Upper(table.name) + "\" CASCADE CONSTRAINTS");
      } catch (const ado::Failure&) {
        // not there
      }
    }
  };
  dropAll();
  const auto send = [&](const fs::path& dbc, std::vector<std::string> args) {
    args.insert(args.begin(), {"--server", "127.0.0.1", "--user", "scott", "--dbc", dbc.string(), "--all",
                               "--keep-types", "--verify"});
    return Tesselby(args);
  };
  const Outcome there = send(root_ / "nw" / "northwind.dbc", {"--overwrite=yes", "send-to-oracle"});
  const Outcome back = send(root_ / "back" / "nw.dbc", {"--create-dbc", "send-to-foxpro"});
  dropAll();
  // Each table's tags (name, expression, kind) and the relations, in lower case, in order.
  const auto tags = [](const fs::path& dbc, const std::string& table) {
    ado::Connection foxPro;
    foxPro.Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";");
    return test_support::TagLines(foxPro, table);
  };
  const auto relations = [](const fs::path& dbc) {
    std::vector<std::string> listed;
    for (const foxpro::Relation& r : foxpro::DbcCatalog(dbc.string()).Relations()) {
      listed.push_back(
          Lower(r.childTable + "." + r.childTag + " -> " + r.parentTable + "." + r.parentTag + " " + r.riInfo));
    }
    std::sort(listed.begin(), listed.end());
    return listed;
  };
  for (const Table& table : tables) {
    EXPECT_EQ(tags(root_ / "back" / "nw.dbc", Lower(table.name)), tags(root_ / "nw" / "northwind.dbc", table.name))
        << table.name;
  }
  std::vector<std::string> related = relations(root_ / "nw" / "northwind.dbc");
  std::erase_if(related, [](const std::string& r) { return r.starts_with("employees.reportsto"); });
  EXPECT_EQ(related.size(), 12u);
  EXPECT_EQ(relations(root_ / "back" / "nw.dbc"), related);
  // Northwind's own orphans (employees who report to employee 0) keep one relation out.
  EXPECT_EQ(there.exitCode, 1) << there.err;
  EXPECT_EQ(Count(there.err, "ORA-02298"), 1) << there.err;
  EXPECT_EQ(back.exitCode, 0) << back.err;
  for (const Table& table : tables) {
    const std::string rows = std::to_string(table.rows);
    const std::string moved = rows + " rows read, " + rows + " written, 0 failed statements, ";
    EXPECT_NE(there.out.find(table.name + " -> " + Upper(table.name) + ": " + moved), std::string::npos) << there.out;
    EXPECT_NE(back.out.find(Upper(table.name) + " -> " + Lower(table.name) + ": " + moved), std::string::npos)
        << back.out;
  }
  EXPECT_EQ(Count(there.out, " 0 differing\n"), static_cast<int>(tables.size())) << there.out;
  EXPECT_EQ(Count(back.out, " 0 differing\n"), static_cast<int>(tables.size())) << back.out;
}

}  // namespace
