#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/odbc/Provider.h"
#include "support/QueryToolRun.h"
#include "support/StandIn.h"

// `tesselby rename-oracle` end to end against the Oracle stand-in.
namespace {

namespace fs = std::filesystem;
using Outcome = test_support::QueryOutcome;

TEST(RenameOracleCommandTest, RenamesTheTableAndRefusesANameInUse) {
  TESSELBY_REQUIRE_STANDIN();
  const fs::path root = fs::temp_directory_path() / ("tesselby-rename-" + std::to_string(::getpid()));
  fs::create_directories(root / "config");
  fs::create_directories(root / "fox");
  ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  ::setenv("TESSELBY_PASSWORD", "tiger", 1);
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  ::unsetenv("QT_QPA_PLATFORM");
  const auto tesselby = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"--server", "127.0.0.1", "--user", "scott", "--folder", (root / "fox").string()});
    return test_support::RunQueryTool(TESSELBY_PROGRAM_PATH, args);
  };
  for (const char* name : {"CLI_REN_OLD", "CLI_REN_NEW", "CLI_REN_TAKEN"}) tesselby({"--yes", "delete-oracle", name});
  odbc::RegisterOdbcProvider();
  ado::Connection oracle;
  oracle.Open(support::kOracleConnectionString);
  oracle.Execute("CREATE TABLE \"CLI_REN_OLD\" (\"A\" DATE)");
  oracle.Execute("CREATE TABLE \"CLI_REN_TAKEN\" (\"A\" DATE)");

  const Outcome renamed = tesselby({"rename-oracle", "CLI_REN_OLD", "CLI_REN_NEW"});
  EXPECT_EQ(renamed.exitCode, 0) << renamed.err;
  const Outcome taken = tesselby({"rename-oracle", "CLI_REN_NEW", "CLI_REN_TAKEN"});
  EXPECT_EQ(taken.exitCode, 1);
  const Outcome listed = tesselby({"list"});
  EXPECT_EQ(listed.out.find("oracle\tCLI_REN_OLD\n"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("oracle\tCLI_REN_NEW\n"), std::string::npos) << listed.out;
  EXPECT_NE(listed.out.find("oracle\tCLI_REN_TAKEN\n"), std::string::npos) << listed.out;

  for (const char* name : {"CLI_REN_NEW", "CLI_REN_TAKEN"}) tesselby({"--yes", "delete-oracle", name});
  fs::remove_all(root);
}

}  // namespace
