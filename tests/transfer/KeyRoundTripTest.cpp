// Keys travel with typed copies, end to end against the Oracle stand-in and the real FoxPro
// engine: a container's tags reach Oracle's dictionary and come back; Oracle's keys reach a
// .cdx and come back; a key the rows break gives one report and the rows stay.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "connections/Foxpro.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "support/FoxProTags.h"
#include "support/StandInCopyTest.h"

namespace transfer {
namespace {
namespace fs = std::filesystem;

const std::string kNorthwind = std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/northwind";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Rows in lower case, values joined by blanks.
std::vector<std::string> Rows(ado::Connection& connection, const std::string& sql) {
  std::vector<std::string> rows = support::SortedRows(connection, sql, " ");
  for (std::string& row : rows) row = Lower(row);
  std::sort(rows.begin(), rows.end());
  return rows;
}

class KeyRoundTripTest : public support::StandInCopyTest {
 protected:
  std::vector<std::string> OracleTables() const override { return {"CUSTOMERS", "KBLOCK", "KORD", "DUPS", "NULLS"}; }
  void SetUp() override {
    StandInCopyTest::SetUp();
    if (IsSkipped()) return;
    fs::copy(kNorthwind, root_ / "nw");
    fs::create_directories(root_ / "free");
    window.fields.dbcFile = (root_ / "nw" / "northwind.dbc").string();
    window.fields.freeTableFolder = (root_ / "free").string();
    window.fields.dbcMode = true;
  }
  std::unique_ptr<ado::Connection> FoxPro() {
    auto foxPro = std::make_unique<ado::Connection>();
    foxPro->CursorLocation = ado::adUseClient;
    foxPro->Open(connections::FoxProConnectionString(window.fields));
    return foxPro;
  }
  // name, expression, primary, candidate of each tag
  std::vector<std::string> Tags(const std::string& table) { return test_support::TagLines(*FoxPro(), table); }
  // The table's constraints and indexes with their columns, from Oracle's dictionary.
  std::vector<std::string> OracleKeys(const std::string& table) {
    const std::string where = " WHERE TABLE_NAME = '" + table + "'";
    std::vector<std::string> keys =
        Rows(oracle,
             "SELECT c.CONSTRAINT_NAME, c.CONSTRAINT_TYPE, k.COLUMN_NAME, k.POSITION FROM USER_CONSTRAINTS c, "
             "USER_CONS_COLUMNS k WHERE c.CONSTRAINT_NAME = k.CONSTRAINT_NAME AND c.CONSTRAINT_TYPE IN "
             "('P', 'U') AND c.TABLE_NAME = '" +
                 table + "'");
    for (const std::string& index :
         Rows(oracle, "SELECT INDEX_NAME, COLUMN_NAME, COLUMN_POSITION FROM USER_IND_COLUMNS" + where)) {
      keys.push_back("index " + index);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
  }
};

TEST_F(KeyRoundTripTest, ContainerTagsReachOraclesDictionaryAndComeBack) {
  {
    // A candidate tag beside the container's primary and regular ones.
    const auto foxPro = FoxPro();
    foxPro->Execute("ALTER TABLE 'customers' ADD UNIQUE companyname TAG company");
  }
  const std::vector<std::string> before = Tags("customers");
  Send(true, "customers");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  const std::vector<std::string> inOracle = OracleKeys("CUSTOMERS");
  std::string listed;
  for (const std::string& key : inOracle) listed += key + "\n";
  EXPECT_NE(std::find(inOracle.begin(), inOracle.end(), "customerid p customerid 1"), inOracle.end()) << listed;
  // The regular tags of the sample are UPPER(field): function-based indexes.
  EXPECT_NE(std::find(inOracle.begin(), inOracle.end(), "company u companyname 1"), inOracle.end()) << listed;
  EXPECT_NE(std::find(inOracle.begin(), inOracle.end(), "index city sys_nc00001$ 1"), inOracle.end()) << listed;

  Send(false, "CUSTOMERS");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  EXPECT_EQ(Tags("customers"), before);
}

TEST_F(KeyRoundTripTest, ATagWhoseNameTheSchemaHoldsComesBackWithoutItsSuffix) {
  oracle.Execute("CREATE TABLE \"KBLOCK\" (\"X\" NUMBER(9))");
  oracle.Execute("CREATE INDEX \"CITY\" ON \"KBLOCK\" (\"X\")");
  const std::vector<std::string> before = Tags("customers");
  const std::string comment = foxpro::DbcCatalog(window.fields.dbcFile).Declaration("customers").comment;
  Send(true, "customers");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  const std::vector<std::string> inOracle = OracleKeys("CUSTOMERS");
  EXPECT_NE(std::find(inOracle.begin(), inOracle.end(), "index city_2 sys_nc00001$ 1"), inOracle.end());
  EXPECT_EQ(Rows(oracle, "SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = 'CUSTOMERS'"),
            std::vector<std::string>{"foxpro names: key \"city_2\" \"city\""});

  Send(false, "CUSTOMERS");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  EXPECT_EQ(Tags("customers"), before);
  // The name Oracle made needs no record in the container: its comment is as it was.
  EXPECT_EQ(foxpro::DbcCatalog(window.fields.dbcFile).Declaration("customers").comment, comment);
}

TEST_F(KeyRoundTripTest, OracleKeysReachACdxAndComeBack) {
  oracle.Execute(
      "CREATE TABLE \"KORD\" (\"REGION\" VARCHAR2(10 CHAR), \"CODE\" VARCHAR2(8 CHAR), \"EMAIL\" VARCHAR2(40 CHAR), "
      "\"QTY\" NUMBER(9), \"PLACED\" DATE, CONSTRAINT \"KORD_PK\" PRIMARY KEY (\"REGION\", \"CODE\"), "
      "CONSTRAINT \"KORD_EMAIL\" UNIQUE (\"EMAIL\"))");
  oracle.Execute("CREATE INDEX \"KORD_QTY\" ON \"KORD\" (\"QTY\")");
  oracle.Execute("CREATE INDEX \"KORD_PLACED\" ON \"KORD\" (\"PLACED\")");
  oracle.Execute("INSERT INTO \"KORD\" VALUES ('north', 'a1', 'x@y', 3, DATE '2024-01-02')");
  oracle.Execute("INSERT INTO \"KORD\" VALUES ('south', 'a1', 'z@y', -3, DATE '1999-12-31')");
  const std::vector<std::string> before = OracleKeys("KORD");

  Send(false, "KORD");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  EXPECT_EQ(Tags("kord"), (std::vector<std::string>{"kord_email email false true", "kord_pk region+code true true",
                                                    "kord_place placed false false", "kord_qty qty false false"}));
  oracle.Execute("DROP TABLE \"KORD\"");
  Send(true, "kord");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  // A key name a tag cannot hold whole comes back from the container's record.
  EXPECT_EQ(OracleKeys("KORD"), before);
}

TEST_F(KeyRoundTripTest, AKeyTheRowsBreakGivesOneReportAndTheRowsStay) {
  // FoxPro's UNIQUE tag lets duplicates into the table: it indexes the first row of each key.
  // In Oracle it is a plain index, so every row and both indexes arrive.
  window.fields.dbcMode = false;
  {
    const auto foxPro = FoxPro();
    const std::string path = (root_ / "free" / "dups.dbf").string();
    foxPro->Execute("CREATE TABLE '" + path + "' ([name] C(10) NULL, [qty] I NULL)");
    for (const char* row : {"'pear', '1'", "'apple', '2'", "'pear', '3'", "'fig', '4'", "'apple', '5'"}) {
      foxPro->Execute("INSERT INTO '" + path + "' VALUES (" + row + ")");
    }
    foxPro->Execute("INDEX ON name TAG name OF '" + (root_ / "free" / "dups.cdx").string() + "' UNIQUE");
    foxPro->Execute("INDEX ON qty TAG qty OF '" + (root_ / "free" / "dups.cdx").string() + "'");
  }
  Send(true, "dups");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  EXPECT_EQ(Rows(oracle, "SELECT COUNT(*) FROM \"DUPS\""), std::vector<std::string>{"5"});
  EXPECT_EQ(OracleKeys("DUPS"), (std::vector<std::string>{"index name name 1", "index qty qty 1"}));

  // Oracle's unique key lets NULLs repeat; a FoxPro candidate tag does not.
  prompter.reports.clear();
  oracle.Execute(
      "CREATE TABLE \"NULLS\" (\"ID\" NUMBER(9), \"CODE\" VARCHAR2(5 CHAR), CONSTRAINT \"NULLS_CODE\" "
      "UNIQUE (\"CODE\"))");
  oracle.Execute("INSERT INTO \"NULLS\" VALUES (1, NULL)");
  oracle.Execute("INSERT INTO \"NULLS\" VALUES (2, NULL)");
  Send(false, "NULLS");
  ASSERT_EQ(prompter.reports.size(), 1u) << prompter.Reports();
  EXPECT_NE(prompter.reports[0].find("tag nulls_code: Uniqueness of index NULLS_CODE is violated"), std::string::npos)
      << prompter.Reports();
  const auto foxPro = FoxPro();
  EXPECT_EQ(Rows(*foxPro, "SELECT * FROM `nulls`").size(), 2u);
}

}  // namespace
}  // namespace transfer
