#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/StandIn.h"

extern char** environ;

// tesselby-query, run as a separate program the way scripts use it.
namespace {

struct Outcome {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

Outcome Query(const std::vector<std::string>& args) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("tq-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string outPath = (dir / "out").string();
  const std::string errPath = (dir / "err").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<std::string> all = {TESSELBY_QUERY_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : all) argv.push_back(arg.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  Outcome run;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    ADD_FAILURE() << "could not start " << argv[0];
    return run;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = Slurp(outPath);
  run.err = Slurp(errPath);
  std::filesystem::remove_all(dir);
  return run;
}

TEST(QueryToolTest, UsageTextsAndExitCodes) {
  const Outcome help = Query({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: tesselby-query"), std::string::npos);

  for (const auto& bad : std::vector<std::vector<std::string>>{
           {}, {"only one"}, {"a", "b", "c"}, {"--bogus", "a", "b"}, {"--tables"}, {"--tables", "a", "b"}}) {
    const Outcome run = Query(bad);
    EXPECT_EQ(run.exitCode, 2) << bad.size();
    EXPECT_NE(run.err.find("usage:"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
}

TEST(QueryToolTest, AFailurePrintsItsDescriptionAndExitsOne) {
  const Outcome run = Query({"Provider=Nobody.1;", "SELECT 1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Provider cannot be found. It may not be properly installed.\n");
}

class QueryToolStandInTest : public ::testing::Test {
 protected:
  void SetUp() override { TESSELBY_REQUIRE_STANDIN(); }
  void TearDown() override {
    if (support::StandInIsUp()) Query({support::kOracleConnectionString, "DROP TABLE \"QT_ROWS\""});
  }
};

TEST_F(QueryToolStandInTest, RowsPrintAsEscapedTsvWithTypes) {
  const std::string& s = support::kOracleConnectionString;
  Query({s, "DROP TABLE \"QT_ROWS\""});
  ASSERT_EQ(Query({s, "CREATE TABLE \"QT_ROWS\"(\"ID\" INT,\"T\" VARCHAR(50),\"B\" BLOB,\"F\" FLOAT)"}).exitCode, 0);
  ASSERT_EQ(Query({s,
                   "INSERT INTO \"QT_ROWS\" VALUES(1,'a'||chr(9)||'b'||chr(10)||'c'||chr(13)||'\\','00Ff',"
                   "'2.5')"})
                .exitCode,
            0);
  ASSERT_EQ(Query({s, "INSERT INTO \"QT_ROWS\" VALUES(2,'',NULL,NULL)"}).exitCode, 0);

  const Outcome plain = Query({s, "SELECT * FROM \"QT_ROWS\" ORDER BY \"ID\""});
  EXPECT_EQ(plain.exitCode, 0) << plain.err;
  EXPECT_EQ(plain.out, "ID\tT\tB\tF\n1\ta\\tb\\nc\\r\\\\\t00FF\t2.5\n2\t\t\\N\t\\N\n");

  const Outcome typed = Query({"--types", s, "SELECT \"ID\",\"B\" FROM \"QT_ROWS\" WHERE \"ID\" = 2"});
  EXPECT_EQ(typed.out, "ID\tB\n3\t205\n2\t\\N\n");
}

TEST_F(QueryToolStandInTest, StatementsWithoutRowsPrintNothingAndRejectionsExitOne) {
  const std::string& s = support::kOracleConnectionString;
  Query({s, "DROP TABLE \"QT_ROWS\""});
  const Outcome created = Query({s, "CREATE TABLE \"QT_ROWS\"(\"ID\" INT)"});
  EXPECT_EQ(created.exitCode, 0);
  EXPECT_EQ(created.out, "");
  const Outcome again = Query({s, "CREATE TABLE \"QT_ROWS\"(\"ID\" INT)"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("QT_ROWS"), std::string::npos) << again.err;
  EXPECT_NE(again.err.find("SQLSTATE 42P07"), std::string::npos) << again.err;
}

TEST_F(QueryToolStandInTest, TablesListTypeAndName) {
  const std::string& s = support::kOracleConnectionString;
  Query({s, "DROP TABLE \"QT_ROWS\""});
  Query({s, "CREATE TABLE \"QT_ROWS\"(\"ID\" INT)"});
  const Outcome tables = Query({"--tables", s});
  EXPECT_EQ(tables.exitCode, 0) << tables.err;
  EXPECT_NE(tables.out.find("TABLE\tQT_ROWS\n"), std::string::npos) << tables.out;
}

}  // namespace
