// Relations and foreign keys travel with typed copies, end to end through the program against
// the Oracle stand-in: a container's relations become foreign keys and come back into a new
// container; an Oracle schema's foreign keys go into a new container and come back; rows that
// break a relation give one report and stay; a dry run makes no container.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/sql/FoxProSession.h"
#include "support/FoxProTags.h"
#include "support/QueryToolRun.h"
#include "support/StandIn.h"

namespace {
namespace fs = std::filesystem;
using Outcome = test_support::QueryOutcome;

const std::vector<std::string> kOracleTables = {"RL_NOTE",  "RL_LINE",  "RL_ORD",   "RL_CUST",
                                                "RO_GRAND", "RO_CHILD", "RO_PARENT"};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// A relation as the round trip must keep it: its name (its place among the child's), child,
// child tag, parent, parent tag and RIINFO.
std::vector<std::string> Kept(const std::vector<foxpro::Relation>& relations) {
  std::vector<std::string> kept;
  for (const foxpro::Relation& r : relations) {
    kept.push_back(
        Lower(r.name + ": " + r.childTable + "." + r.childTag + " -> " + r.parentTable + "." + r.parentTag + " ") +
        r.riInfo);
  }
  std::sort(kept.begin(), kept.end());
  return kept;
}

class RelationRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    root_ = fs::temp_directory_path() / ("tesselby-relations-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    for (const char* folder : {"config", "source", "back", "again"}) fs::create_directories(root_ / folder);
    ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    ::setenv("TESSELBY_PASSWORD", "tiger", 1);
    oracle_.CursorLocation = ado::adUseClient;
    oracle_.Open(support::kOracleConnectionString);
    DropOracleTables();
  }
  void TearDown() override {
    if (root_.empty()) return;
    DropOracleTables();
    fs::remove_all(root_);
  }
  void DropOracleTables() {
    for (const std::string& table : kOracleTables) {
      try {
        oracle_.Execute("DROP TABLE \"" + table + "\" CASCADE CONSTRAINTS");
      } catch (const ado::Failure&) {
        // not there
      }
    }
  }
  Outcome Run(const fs::path& dbc, std::vector<std::string> args) {
    args.insert(args.begin(), {"--server", "127.0.0.1", "--user", "scott", "--dbc", dbc.string(), "--keep-types"});
    return test_support::RunQueryTool(TESSELBY_PROGRAM_PATH, args);
  }
  // Four tables: orders restrict their customer, lines cascade from their order, and a note's
  // two relations (made in an order their keys' names do not sort in) take the update and
  // insert rules no Oracle key holds.
  fs::path SourceContainer(const std::vector<std::string>& lineRows) {
    const fs::path dbc = root_ / "source" / "shop.dbc";
    foxpro::DbcCatalog::CreateEmpty(dbc.string());
    auto fox = foxpro::FoxProSession::Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";");
    for (const char* statement : {
             "CREATE TABLE 'rl_cust'([id] I NOT NULL, [name] C(10) NULL, [name_as_written_on_letters] C(30) NULL)",
             "CREATE TABLE 'rl_ord'([id] I NOT NULL, [custid] I NULL)",
             "CREATE TABLE 'rl_line'([ordid] I NULL, [qty] I NULL)",
             "CREATE TABLE 'rl_note'([custid] I NULL, [ordid] I NULL)",
             "INSERT INTO 'rl_cust' VALUES ('1', 'ann')",
             "INSERT INTO 'rl_cust' VALUES ('2', 'bob')",
             "INSERT INTO 'rl_ord' VALUES ('10', '1')",
             "INSERT INTO 'rl_ord' VALUES ('11', '2')",
             "ALTER TABLE 'rl_cust' ADD PRIMARY KEY id TAG custpk",
             "INDEX ON name_as_written_on_letters TAG lettername OF 'rl_cust.cdx'",
             "ALTER TABLE 'rl_ord' ADD PRIMARY KEY id TAG ordpk",
             "ALTER TABLE 'rl_ord' ADD FOREIGN KEY custid TAG ordcust REFERENCES rl_cust RIINFO 'RRI'",
             "ALTER TABLE 'rl_line' ADD FOREIGN KEY ordid TAG lineord REFERENCES rl_ord TAG ordpk RIINFO 'RCI'",
             "ALTER TABLE 'rl_note' ADD FOREIGN KEY custid TAG zcust REFERENCES rl_cust RIINFO 'CRR'",
             "ALTER TABLE 'rl_note' ADD FOREIGN KEY ordid TAG aord REFERENCES rl_ord RIINFO 'ICI'",
         }) {
      fox->Execute(statement);
    }
    for (const std::string& row : lineRows) fox->Execute("INSERT INTO 'rl_line' VALUES " + row);
    return dbc;
  }
  // Each foreign key: child table, its columns, parent table, delete rule.
  std::vector<std::string> OracleForeignKeys() {
    ado::Recordset rows;
    rows.Open(
        "SELECT c.TABLE_NAME, k.COLUMN_NAME, p.TABLE_NAME, c.DELETE_RULE FROM USER_CONSTRAINTS c, USER_CONSTRAINTS p, "
        "USER_CONS_COLUMNS k WHERE c.CONSTRAINT_TYPE = 'R' AND p.CONSTRAINT_NAME = c.R_CONSTRAINT_NAME AND "
        "k.CONSTRAINT_NAME = c.CONSTRAINT_NAME AND (c.TABLE_NAME LIKE 'RL%' OR c.TABLE_NAME LIKE 'RO%')",
        oracle_, ado::adOpenStatic);
    std::vector<std::string> keys;
    for (; !rows.Eof(); rows.MoveNext()) {
      std::string key;
      for (int f = 0; f < rows.FieldCount(); ++f) key += (f == 0 ? "" : " ") + ado::ValueToText(rows.Fields(f).Value);
      keys.push_back(Lower(key));
    }
    rows.Close();
    std::sort(keys.begin(), keys.end());
    return keys;
  }
  std::vector<std::string> Dictionary(const std::string& sql) {
    ado::Recordset rows;
    rows.Open(sql, oracle_, ado::adOpenStatic);
    std::vector<std::string> names;
    for (; !rows.Eof(); rows.MoveNext()) names.push_back(ado::ValueToText(rows.Fields(0).Value));
    rows.Close();
    std::sort(names.begin(), names.end());
    return names;
  }
  // Each tag of the table: its name, expression and kind.
  static std::vector<std::string> Tags(const fs::path& dbc, const std::string& table) {
    ado::Connection connection;
    connection.Open("Provider=vfpoledb.1;Data Source=" + dbc.string() + ";");
    return test_support::TagLines(connection, table);
  }
  long OracleRows(const std::string& table) {
    ado::Recordset rows;
    rows.Open("SELECT COUNT(*) FROM \"" + table + "\"", oracle_, ado::adOpenStatic);
    const long count = std::stol(ado::ValueToText(rows.Fields(0).Value));
    rows.Close();
    return count;
  }

  fs::path root_;
  ado::Connection oracle_;
};

TEST_F(RelationRoundTripTest, ContainerRelationsBecomeForeignKeysAndComeBackIntoANewContainer) {
  const fs::path source = SourceContainer({"('10', '5')"});
  const std::vector<std::string> relations = Kept(foxpro::DbcCatalog(source.string()).Relations());
  const auto fields = [](const fs::path& dbc) {
    std::vector<std::string> names;
    for (const auto& field : foxpro::DbcCatalog(dbc.string()).Declaration("rl_cust").fields)
      names.push_back(field.name);
    return names;
  };
  const std::vector<std::string> sourceFields = fields(source);
  const Outcome there = Run(source, {"--all", "send-to-oracle"});
  EXPECT_EQ(there.exitCode, 0) << there.err << there.out;
  // Oracle's names are upper case, as an unquoted name folds to.
  EXPECT_EQ(Dictionary("SELECT TABLE_NAME FROM USER_TABLES WHERE TABLE_NAME LIKE 'RL%'"),
            (std::vector<std::string>{"RL_CUST", "RL_LINE", "RL_NOTE", "RL_ORD"}));
  EXPECT_EQ(Dictionary("SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'RL_CUST'"),
            (std::vector<std::string>{"ID", "NAME", "NAME_AS_WRITTEN_ON_LETTERS"}));
  EXPECT_EQ(Dictionary("SELECT INDEX_NAME FROM USER_INDEXES WHERE TABLE_NAME LIKE 'RL%'"),
            (std::vector<std::string>{"AORD", "CUSTPK", "LETTERNAME", "LINEORD", "ORDCUST", "ORDPK", "ZCUST"}));
  EXPECT_EQ(OracleForeignKeys(),
            (std::vector<std::string>{"rl_line ordid rl_ord cascade", "rl_note custid rl_cust no action",
                                      "rl_note ordid rl_ord cascade", "rl_ord custid rl_cust no action"}));
  EXPECT_NE(there.err.find("update rule (R) and insert rule (I) have no Oracle equal"), std::string::npos) << there.err;
  // What the keys cannot hold, in the child tables' comments, in the container's order.
  EXPECT_EQ(Dictionary("SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME LIKE 'RL%' AND COMMENTS IS NOT NULL"),
            (std::vector<std::string>{"FoxPro names: relation \"RL_LINE_LINEORD_FK\" \"RCI\"",
                                      "FoxPro names: relation \"RL_NOTE_ZCUST_FK\" \"CRR\" relation "
                                      "\"RL_NOTE_AORD_FK\" \"ICI\"",
                                      "FoxPro names: relation \"RL_ORD_ORDCUST_FK\" \"RRI\""}));

  const fs::path back = root_ / "back" / "shop2.dbc";
  const Outcome plan =
      Run(back, {"--create-dbc", "--dry-run", "send-to-foxpro", "RL_CUST", "RL_LINE", "RL_ORD", "RL_NOTE"});
  EXPECT_EQ(plan.exitCode, 0) << plan.err;
  EXPECT_EQ(Count(plan.out, "ADD FOREIGN KEY"), 4) << plan.out;
  // The plan names what the run makes: FoxPro's lower-case names.
  EXPECT_NE(plan.out.find("[name_as_written_on_letters] C(30) NULL"), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("TAG lettername"), std::string::npos) << plan.out;
  EXPECT_TRUE(fs::is_empty(root_ / "back")) << "a dry run makes no container";

  const Outcome home = Run(back, {"--create-dbc", "send-to-foxpro", "RL_CUST", "RL_LINE", "RL_ORD", "RL_NOTE"});
  EXPECT_EQ(home.exitCode, 0) << home.err << home.out;
  EXPECT_EQ(Kept(foxpro::DbcCatalog(back.string()).Relations()), relations);
  EXPECT_EQ(fields(back), sourceFields);
  for (const char* table : {"rl_cust", "rl_note"}) EXPECT_EQ(Tags(back, table), Tags(source, table)) << table;
  EXPECT_EQ(relations,
            (std::vector<std::string>{
                "relation 1: rl_line.lineord -> rl_ord.ordpk RCI", "relation 1: rl_note.zcust -> rl_cust.custpk CRR",
                "relation 1: rl_ord.ordcust -> rl_cust.custpk RRI", "relation 2: rl_note.aord -> rl_ord.ordpk ICI"}));
}

TEST_F(RelationRoundTripTest, AKeyChangedInOracleSinceGivesItsOwnRuleAndANote) {
  const fs::path source = SourceContainer({});
  const Outcome there = Run(source, {"--all", "send-to-oracle"});
  EXPECT_EQ(there.exitCode, 0) << there.err << there.out;
  oracle_.Execute("ALTER TABLE \"RL_LINE\" DROP CONSTRAINT \"RL_LINE_LINEORD_FK\"");
  oracle_.Execute(
      "ALTER TABLE \"RL_LINE\" ADD CONSTRAINT \"RL_LINE_LINEORD_FK\" FOREIGN KEY (\"ORDID\") REFERENCES "
      "\"RL_ORD\" (\"ID\")");
  const fs::path back = root_ / "back" / "shop2.dbc";
  const Outcome home = Run(back, {"--create-dbc", "send-to-foxpro", "RL_CUST", "RL_LINE", "RL_ORD", "RL_NOTE"});
  EXPECT_EQ(home.exitCode, 0) << home.err << home.out;
  EXPECT_NE(home.err.find("RL_LINE records RIINFO RCI, which its delete rule does not give (the key changed since); "
                          "the relation's RIINFO is RRR, from the key"),
            std::string::npos)
      << home.err;
  const std::vector<std::string> relations = Kept(foxpro::DbcCatalog(back.string()).Relations());
  EXPECT_NE(std::find(relations.begin(), relations.end(), "relation 1: rl_line.lineord -> rl_ord.ordpk RRR"),
            relations.end());
}

TEST_F(RelationRoundTripTest, RowsThatBreakARelationGiveOneReportAndStay) {
  const fs::path source = SourceContainer({"('10', '5')", "('99', '1')", "('98', '2')"});
  const Outcome there = Run(source, {"send-to-oracle", "rl_cust", "rl_ord", "rl_line"});
  EXPECT_EQ(there.exitCode, 1);
  EXPECT_EQ(Count(there.err, "ORA-02298"), 1) << there.err;
  EXPECT_NE(there.err.find("rows of RL_LINE without a parent in RL_ORD, ('98'), ('99')"), std::string::npos)
      << there.err;
  EXPECT_EQ(OracleRows("RL_LINE"), 3);
  EXPECT_EQ(OracleForeignKeys(), std::vector<std::string>{"rl_ord custid rl_cust no action"});
}

TEST_F(RelationRoundTripTest, OracleForeignKeysGoIntoANewContainerAndComeBack) {
  for (const char* statement : {
           "CREATE TABLE \"RO_PARENT\" (\"ID\" NUMBER(9), \"parentName\" VARCHAR2(10 CHAR), CONSTRAINT "
           "\"RO_PARENT_PK\" PRIMARY KEY (\"ID\"))",
           "CREATE TABLE \"RO_CHILD\" (\"ID\" NUMBER(9), \"PID\" NUMBER(9), CONSTRAINT \"RO_CHILD_PK\" PRIMARY KEY "
           "(\"ID\"), CONSTRAINT \"RO_CHILD_PARENT\" FOREIGN KEY (\"PID\") REFERENCES \"RO_PARENT\" (\"ID\") ON "
           "DELETE CASCADE)",
           "CREATE TABLE \"RO_GRAND\" (\"CID\" NUMBER(9), CONSTRAINT \"RO_GRAND_CHILD\" FOREIGN KEY (\"CID\") "
           "REFERENCES \"RO_CHILD\" (\"ID\"))",
           "INSERT INTO \"RO_PARENT\" VALUES (1, 'p')",
           "INSERT INTO \"RO_CHILD\" VALUES (7, 1)",
           "INSERT INTO \"RO_GRAND\" VALUES (7)",
       }) {
    oracle_.Execute(statement);
  }
  const std::vector<std::string> before = OracleForeignKeys();
  // Names FoxPro cannot hold (a mixed-case column, keys longer than a tag) come back from the container.
  const std::string names =
      "SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'RO_PARENT' UNION ALL SELECT CONSTRAINT_NAME "
      "FROM USER_CONSTRAINTS WHERE CONSTRAINT_TYPE = 'P' AND TABLE_NAME LIKE 'RO%'";
  const std::vector<std::string> namesBefore = Dictionary(names);
  const fs::path dbc = root_ / "again" / "fresh.dbc";
  const Outcome home = Run(dbc, {"--create-dbc", "send-to-foxpro", "RO_GRAND", "RO_CHILD", "RO_PARENT"});
  EXPECT_EQ(home.exitCode, 0) << home.err << home.out;
  EXPECT_EQ(Kept(foxpro::DbcCatalog(dbc.string()).Relations()),
            // The child's new tag is named after its key, made unique beside the primary key's.
            (std::vector<std::string>{"relation 1: ro_child.ro_child_2 -> ro_parent.ro_parent_ RCR",
                                      "relation 1: ro_grand.ro_grand_c -> ro_child.ro_child_p RRR"}));

  DropOracleTables();
  const Outcome there = Run(dbc, {"send-to-oracle", "RO_PARENT", "RO_GRAND", "RO_CHILD"});
  EXPECT_EQ(there.exitCode, 0) << there.err << there.out;
  EXPECT_EQ(OracleForeignKeys(), before);
  EXPECT_EQ(Dictionary(names), namesBefore);
  // A key Oracle holds whole needs no record on its way back.
  EXPECT_EQ(Dictionary("SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME LIKE 'RO%' AND COMMENTS LIKE "
                       "'%relation%'"),
            std::vector<std::string>{});
  EXPECT_EQ(namesBefore, (std::vector<std::string>{"ID", "RO_CHILD_PK", "RO_PARENT_PK", "parentName"}));
}

}  // namespace
