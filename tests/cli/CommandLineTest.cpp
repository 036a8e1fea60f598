#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/QueryToolRun.h"
#include "support/StandIn.h"

namespace {

namespace fs = std::filesystem;
using Outcome = test_support::QueryOutcome;

// The tables of the shared sample folder, copied under names of their own so that no
// other test's tables are touched; vfp9_memo_bs1 holds one memo too long for Oracle.
const std::vector<std::string> kTables = {"cli_dbase_currency", "cli_pyacfl", "cli_vfp9_30", "cli_vfp9_30_memo",
                                          "cli_vfp9_memo_bs1"};

Outcome Tesselby(const std::vector<std::string>& args) {
  return test_support::RunQueryTool(TESSELBY_PROGRAM_PATH, args);
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(CommandLineTest, HelpVersionAndUsageErrors) {
  const Outcome help = Tesselby({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: tesselby"), std::string::npos);
  EXPECT_EQ(Tesselby({"--version"}).out, "tesselby 1.0\n");
  // Deleting unasked needs --yes when there is no terminal to ask on.
  for (const auto& bad : std::vector<std::vector<std::string>>{{"frobnicate"}, {"delete-oracle", "T"}}) {
    const Outcome run = Tesselby(bad);
    EXPECT_EQ(run.exitCode, 2) << bad[0];
    EXPECT_NE(run.err.find("tesselby --help"), std::string::npos) << run.err;
  }
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
      if (listed.out.find("oracle\t" + table + "\n") != std::string::npos)
        Run("fox", {"--yes", "delete-oracle", table});
    }
  }
  std::vector<std::string> With(std::vector<std::string> args) {
    args.insert(args.end(), kTables.begin(), kTables.end());
    return args;
  }

  fs::path root_;
};

TEST_F(CommandLineStandInTest, CopiesEveryTableBothWaysAndVerifiesEveryValue) {
  const Outcome there = Run("fox", With({"--verify", "send-to-oracle"}));
  // The one memo too long for VARCHAR(2000): one report, and every other row arrives.
  EXPECT_EQ(there.exitCode, 1) << there.err;
  EXPECT_EQ(Count(there.err, "in Korvane2021/08/31.Form2.PushButton3_Click at line 186\n"), 1) << there.err;
  EXPECT_EQ(Count(there.err, "Please email screenshot"), 1) << there.err;
  EXPECT_NE(there.out.find("cli_vfp9_memo_bs1 -> cli_vfp9_memo_bs1: 5 rows read, 4 written, 1 failed statements, "),
            std::string::npos)
      << there.out;
  EXPECT_NE(there.out.find("cli_pyacfl -> cli_pyacfl: 15 rows read, 15 written, 0 failed statements, "),
            std::string::npos);
  EXPECT_EQ(Count(there.out, " s, "), 5) << there.out;
  EXPECT_EQ(Count(there.out, " 0 differing\n"), 5) << there.out;
  EXPECT_NE(there.out.find("300 values compared"), std::string::npos) << there.out;

  const Outcome listed = Run("fox", {"list"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  for (const std::string& table : kTables) {
    EXPECT_NE(listed.out.find("oracle\t" + table + "\n"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("foxpro\t" + table + "\n"), std::string::npos) << listed.out;
  }

  const Outcome back = Run("back", With({"--verify", "--quiet", "send-to-foxpro"}));
  EXPECT_EQ(back.exitCode, 0) << back.err;
  EXPECT_EQ(back.err, "");
  EXPECT_EQ(Count(back.out, " 0 failed statements, "), 5) << back.out;
  EXPECT_EQ(Count(back.out, " 0 differing\n"), 5) << back.out;
  EXPECT_TRUE(fs::exists(root_ / "back" / "cli_pyacfl.DBF"));
}

TEST_F(CommandLineStandInTest, OverwriteNoKeepsTheTableAndUnknownNamesAndAWrongPasswordAreReported) {
  ASSERT_EQ(Run("fox", {"send-to-oracle", "cli_pyacfl"}).exitCode, 0);
  const Outcome kept = Run("fox", {"--overwrite=no", "send-to-oracle", "cli_pyacfl"});
  EXPECT_EQ(kept.exitCode, 0) << kept.err;
  EXPECT_EQ(kept.out, "cli_pyacfl: not copied\n");
  const Outcome again = Run("fox", {"--overwrite=yes", "--verify", "send-to-oracle", "cli_pyacfl"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
  EXPECT_NE(again.out.find("15 written, 0 failed statements"), std::string::npos) << again.out;

  // A mistyped name must not leave the run copying only the rest.
  const Outcome typo = Run("fox", {"--overwrite=yes", "send-to-oracle", "cli_pyacfl", "cli_nosuch"});
  EXPECT_EQ(typo.exitCode, 1);
  EXPECT_EQ(typo.out, "");
  EXPECT_EQ(typo.err, "tesselby: no FoxPro table cli_nosuch\n");

  ::setenv("TESSELBY_PASSWORD", "wrong", 1);
  const Outcome refused = Run("fox", {"send-to-oracle", "cli_pyacfl"});
  ::setenv("TESSELBY_PASSWORD", "tiger", 1);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_EQ(Count(refused.err, "in Korvane2021/08/31.Form2.Form_Load at line 114\n"), 1) << refused.err;
  EXPECT_EQ(refused.out, "");
}

}  // namespace
