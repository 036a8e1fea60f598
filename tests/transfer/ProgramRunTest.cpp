// The built program run the way scripts and cron run it, against the stand-in and real
// FoxPro files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/foxpro/DbcTable.h"
#include "platform/foxpro/FileIo.h"
#include "support/QueryToolRun.h"
#include "support/StandIn.h"
#include "transfer/SqlHelpers.h"
#include "transfer/TransferTestSupport.h"

namespace transfer {
namespace {
namespace fs = std::filesystem;

constexpr long kRows = 20000;

// One run of the program in the background, its output in files of its own.
class BackgroundRun {
 public:
  BackgroundRun(const fs::path& folder, const std::vector<std::string>& args) : folder_(folder) {
    std::vector<std::string> all = {TESSELBY_PROGRAM_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // A profile of its own, the password from the environment, no display and no terminal.
    std::vector<std::string> settings = {"XDG_CONFIG_HOME=" + (folder_ / "config").string(), "TESSELBY_PASSWORD=tiger"};
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string text = *entry;
      const std::string name = text.substr(0, text.find('='));
      if (name != "XDG_CONFIG_HOME" && name != "TESSELBY_PASSWORD" && name != "DISPLAY" && name != "WAYLAND_DISPLAY" &&
          name != "QT_QPA_PLATFORM")
        settings.push_back(text);
    }
    std::vector<char*> envp;
    for (std::string& setting : settings) envp.push_back(setting.data());
    envp.push_back(nullptr);
    fs::create_directories(folder_ / "config");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (folder_ / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (folder_ / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  test_support::QueryOutcome Wait() {
    test_support::QueryOutcome outcome;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.out = test_support::Slurp(folder_ / "out");
    outcome.err = test_support::Slurp(folder_ / "err");
    return outcome;
  }

 private:
  fs::path folder_;
  pid_t pid_ = -1;
};

long Count(ado::Connection& connection, const std::string& sql) {
  ado::Recordset rows;
  rows.Open(sql, connection);
  return std::stol(ado::ValueToText(rows.Fields(0).Value));
}

// Two runs sending the same table into one place at once, as two cron jobs would: every row
// arrives once, and each run's exit status tells what it did.
TEST(ProgramRunTest, TwoRunsIntoOnePlaceLeaveEveryRowOnce) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-race-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "fox");
  fs::create_directories(root / "back");
  const std::string foxString = "Provider=vfpoledb.1;Data Source=" + (root / "fox").string() + ";";
  {
    ado::Connection fox;
    fox.Open(foxString);
    fox.Execute("CREATE TABLE 'race.dbf'([n] I);");
    for (long n = 0; n < kRows; ++n) fox.Execute("INSERT INTO 'race.dbf' VALUES('" + std::to_string(n) + "')");
  }
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(support::kOracleConnectionString);
  const auto dropRace = [&] {
    try {
      oracle.Execute("DROP TABLE \"race\"");
    } catch (const std::exception&) {
      // not there: nothing to clean up
    }
  };
  dropRace();

  // Each Oracle mode once with replacing (the second run's DROP and CREATE must not catch the
  // first run's later rows), and once keeping; then the way back into one folder.
  const struct {
    std::string command;
    std::string folder;
    std::string overwrite;
    std::string mode;
  } cases[] = {{"send-to-oracle", "fox", "no", ""},
               {"send-to-oracle", "fox", "yes", ""},
               {"send-to-oracle", "fox", "yes", "--fast"},
               {"send-to-oracle", "fox", "yes", "--keep-types"},
               {"send-to-foxpro", "back", "yes", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + " --overwrite=" + c.overwrite + " " + c.mode);
    std::vector<std::string> args = {"--server", "127.0.0.1",
                                     "--user",   "scott",
                                     "--folder", (root / c.folder).string(),
                                     "--quiet",  "--overwrite=" + c.overwrite};
    if (!c.mode.empty()) args.push_back(c.mode);
    args.insert(args.end(), {c.command, "race"});
    BackgroundRun first(root / "run1", args);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    BackgroundRun second(root / "run2", args);
    int wrote = 0;
    for (const test_support::QueryOutcome& run : {first.Wait(), second.Wait()}) {
      const bool whole = run.out.find(std::to_string(kRows) + " written, 0 failed") != std::string::npos;
      const bool skipped = run.out.find("not copied") != std::string::npos;
      const bool refused = run.err.find(NotCreatedText("race", kRows)) != std::string::npos;
      // A run whose table the other one replaced between two rows stops sending to it.
      const bool replaced = run.err.find("was replaced or removed by another program") != std::string::npos;
      // A run that finds the other one writing the Oracle table leaves it to that one.
      const bool busy = run.err.find("is being written by another run") != std::string::npos;
      wrote += whole ? 1 : 0;
      EXPECT_TRUE(whole || skipped || refused || replaced || busy) << run.out << run.err;
      EXPECT_EQ(run.exitCode, refused || replaced || busy ? 1 : 0) << run.out << run.err;
    }
    EXPECT_GE(wrote, 1);  // both, when the second began after the first had ended
    if (c.command == "send-to-oracle") {
      EXPECT_EQ(Count(oracle, "SELECT COUNT(*) FROM \"race\""), kRows);
      EXPECT_EQ(Count(oracle, "SELECT COUNT(DISTINCT \"n\") FROM \"race\""), kRows);
    }
  }
  ado::Connection back;
  back.CursorLocation = ado::adUseClient;
  back.Open("Provider=vfpoledb.1;Data Source=" + (root / "back").string() + ";");
  ado::Recordset rows;
  rows.Open("SELECT * FROM `race`", back);
  EXPECT_EQ(rows.RecordCount(), kRows);
  rows.Close();
  dropRace();
  fs::remove_all(root);
}

// The overwrite of a container table whose computed file path holds a free table that is not
// the container's: the free table stays; a table in a folder of its own is made again there,
// and an entry that names no table file stays, with one report and exit 1.
TEST(ProgramRunTest, AContainerOverwriteNeverEndsWithoutTheTableNorDeletesAnotherFile) {
  TESSELBY_REQUIRE_STANDIN();
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  oracle.Execute("CREATE TABLE \"REGI\"(\"ID\" INT)");
  oracle.Execute("INSERT INTO \"REGI\" VALUES(1)");
  const fs::path root = fs::temp_directory_path() / ("tesselby-layout-" + std::to_string(::getpid()));
  for (const std::string layout : {"subfolder", "container"}) {
    SCOPED_TRACE(layout);
    fs::remove_all(root);
    fs::create_directories(root / "d");
    fs::copy(fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / "northwind", root, fs::copy_options::recursive);
    const fs::path dbc = root / "northwind.dbc";
    if (layout == "subfolder") {  // the container's table regi lives in d/regi.dbf
      ado::Connection container;
      container.Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";");
      container.Execute("CREATE TABLE 'd\\regi.dbf'([id] I);");
    } else {  // the container's table regi names the container itself as its file
      foxpro::DbcTable(dbc.string(), foxpro::DiskFileSystem())
          .Append({{1, "Table", "regi", {{foxpro::kDbcPropertyPath, std::string("northwind.dbc") + '\0'}}}});
    }
    testing::WriteTableFile((root / "regi.dbf").string());
    const std::string freeTable = test_support::Slurp(root / "regi.dbf");
    const std::string container = test_support::Slurp(dbc);
    BackgroundRun run(root / "run", {"--server", "127.0.0.1", "--user", "scott", "--dbc", dbc.string(),
                                     "--overwrite=yes", "send-to-foxpro", "REGI"});
    const test_support::QueryOutcome outcome = run.Wait();
    EXPECT_EQ(test_support::Slurp(root / "regi.dbf"), freeTable);
    if (layout == "subfolder") {
      EXPECT_EQ(outcome.exitCode, 0) << outcome.out << outcome.err;
      ado::Connection back;
      back.CursorLocation = ado::adUseClient;
      back.Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";");
      ado::Recordset rows;
      rows.Open("SELECT * FROM `regi`", back);
      EXPECT_EQ(rows.RecordCount(), 1);
      rows.Close();
      EXPECT_TRUE(fs::exists(root / "d" / "regi.dbf"));
    } else {
      EXPECT_EQ(outcome.exitCode, 1) << outcome.out << outcome.err;
      EXPECT_NE(outcome.err.find("does not belong to database container"), std::string::npos) << outcome.err;
      EXPECT_EQ(outcome.err.find("CREATE TABLE"), std::string::npos) << outcome.err;
      EXPECT_EQ(test_support::Slurp(dbc), container);
    }
  }
  oracle.Execute("DROP TABLE \"REGI\"");
  fs::remove_all(root);
}

}  // namespace
}  // namespace transfer
