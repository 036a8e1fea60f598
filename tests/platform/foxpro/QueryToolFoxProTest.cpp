#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/QueryToolRun.h"

// tesselby-query run as a program against FoxPro folders, the way scripts use it.
namespace {

namespace fs = std::filesystem;

#ifdef TESSELBY_QUERY_PATH

using Outcome = test_support::QueryOutcome;

class QueryToolFoxProTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "foxquery-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    fs::create_directory(folder_ + "/data");
    for (const char* name : {"dbfread/memotest.dbf", "dbfread/memotest.FPT", "northwind/region.dbf"}) {
      const fs::path from = fs::path(TESSELBY_TESTDATA_DIR) / "foxpro" / name;
      const fs::path to = fs::path(folder_) / "data" / from.filename();
      fs::copy_file(from, to);
      fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
    }
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(folder_, error);
  }

  std::string ConnectionString(const std::string& source) const {
    return "Provider=vfpoledb.1;Data Source=" + source + ";Collating Sequence=general;";
  }

  Outcome Query(const std::vector<std::string>& args) const {
    return test_support::RunQueryTool(TESSELBY_QUERY_PATH, args);
  }

  std::string folder_;
};

TEST_F(QueryToolFoxProTest, TablesListsTheFreeTablesOfTheFolder) {
  const Outcome run = Query({"--tables", ConnectionString(folder_ + "/data")});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "TABLE\tmemotest\nTABLE\tregion\n");
}

TEST_F(QueryToolFoxProTest, SelectPrintsFieldsTypesAndLiveRows) {
  const Outcome run = Query({"--types", ConnectionString(folder_ + "/data"), "SELECT * FROM `MEMOTEST`"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  std::istringstream lines(run.out);
  std::string header, types, first, second, extra;
  std::getline(lines, header);
  std::getline(lines, types);
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(header, "name\tbirthdate\tmemo");
  EXPECT_EQ(types, "129\t133\t201");
  EXPECT_EQ(first.rfind("Alice           \t", 0), 0u) << first;
  EXPECT_EQ(second.substr(second.rfind('\t') + 1), "Bob memo");
  EXPECT_FALSE(std::getline(lines, extra));
}

TEST_F(QueryToolFoxProTest, StatementsWithoutRowsChangeTheFolder) {
  const std::string source = ConnectionString(folder_ + "/data");
  const std::string path = folder_ + "/data/T.DBF";
  EXPECT_EQ(Query({source, "CREATE TABLE '" + path + "'([TEXT] M,[DATA] BLOB);"}).exitCode, 0);
  EXPECT_EQ(Query({source, "INSERT INTO '" + path + "' VALUES('a'+CHR(9)+'b', CHR(0)+CHR(255))"}).exitCode, 0);
  const Outcome run = Query({source, "SELECT * FROM `t`"});
  EXPECT_EQ(run.out, "text\tdata\na\\tb\t00FF\n");
  EXPECT_EQ(Query({source, "DROP TABLE `t`"}).exitCode, 0);
  EXPECT_FALSE(fs::exists(path));
}

TEST_F(QueryToolFoxProTest, FailuresPrintTheEngineDescription) {
  const std::string missing = folder_ + "/nowhere";
  Outcome run = Query({"--tables", ConnectionString(missing)});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "Invalid path or file name: '" + missing + "' does not exist.\n");
  run = Query({ConnectionString(folder_ + "/data"), "SELECT * FROM `ghost`"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("ghost.dbf' does not exist."), std::string::npos) << run.err;
  run = Query({ConnectionString(folder_ + "/data"), "UPDATE `region` SET x = 1"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.rfind("Unrecognized command verb.", 0), 0u) << run.err;
}

#endif

}  // namespace
