#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/QueryToolRun.h"
#include "support/StandIn.h"

namespace {

using Outcome = test_support::QueryOutcome;

Outcome Query(const std::vector<std::string>& args) { return test_support::RunQueryTool(TESSELBY_QUERY_PATH, args); }

TEST(QueryToolTest, UsageTextsAndExitCodes) {
  const Outcome help = Query({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: tesselby-query"), std::string::npos);
  EXPECT_EQ(Query({"--version"}).out, "tesselby-query 1.0\n");

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
