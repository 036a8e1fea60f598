// A container field's whole declaration travels with typed copies, end to end against the
// Oracle stand-in and the real FoxPro engine: NOT NULL, defaults, comments, captions and
// simple rules reach Oracle's dictionary and come back into the container.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "commands/transfer/TransferPlan.h"
#include "connections/Foxpro.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "support/StandInCopyTest.h"

namespace transfer {
namespace {
namespace fs = std::filesystem;

const std::string kNorthwind = std::string(TESSELBY_TESTDATA_DIR) + "/foxpro/northwind";

std::vector<std::string> Rows(ado::Connection& connection, const std::string& sql) {
  return support::SortedRows(connection, sql);
}

// The container's records read by the format sheet alone (not the engine): each live Field
// record of the table, with its property ids and values, the closing NUL of a text removed.
std::map<std::string, std::map<int, std::string>> FieldPropertiesOnDisk(const fs::path& dbc, const std::string& table) {
  const auto bytes = [](const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string records = bytes(dbc);
  const std::string memo = bytes(fs::path(dbc).replace_extension(".dct"));
  const auto le = [](const std::string& s, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int k = n - 1; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(s[at + k]);
    return v;
  };
  const auto be = [](const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(s[at + k]);
    return v;
  };
  const std::uint32_t count = le(records, 4, 4);
  const std::uint32_t headerLength = le(records, 8, 2);
  const std::uint32_t recordLength = le(records, 10, 2);
  const std::uint32_t blockSize = static_cast<unsigned char>(memo[6]) << 8 | static_cast<unsigned char>(memo[7]);
  const auto trimmed = [](std::string s) { return s.erase(s.find_last_not_of(' ') + 1); };
  std::int32_t tableId = -1;
  std::map<std::string, std::map<int, std::string>> fields;
  for (std::uint32_t r = 0; r < count; ++r) {
    const std::string rec = records.substr(headerLength + r * recordLength, recordLength);
    if (rec[0] == '*') continue;
    const auto id = static_cast<std::int32_t>(le(rec, 1, 4));
    const auto parent = static_cast<std::int32_t>(le(rec, 5, 4));
    const std::string type = trimmed(rec.substr(9, 10));
    const std::string name = trimmed(rec.substr(19, 128));
    if (type == "Table" && name == table) tableId = id;
    if (type != "Field" || parent != tableId) continue;
    std::map<int, std::string>& properties = fields[name];
    const std::uint32_t block = le(rec, 147, 4);
    if (block == 0) continue;
    const std::size_t at = std::size_t{block} * blockSize;
    const std::string payload = memo.substr(at + 8, be(memo, at + 4));
    for (std::size_t p = 0; p + 7 <= payload.size();) {
      const std::uint32_t length = le(payload, p, 4);
      std::string value = payload.substr(p + 7, length - 7);
      if (!value.empty() && value.back() == '\0') value.pop_back();
      properties[static_cast<unsigned char>(payload[p + 6])] = value;
      p += length;
    }
  }
  return fields;
}

class DeclarationRoundTripTest : public support::StandInCopyTest {
 protected:
  std::vector<std::string> OracleTables() const override { return {"DECL", "ORD", "MyTable"}; }
  void SetUp() override {
    StandInCopyTest::SetUp();
    if (IsSkipped()) return;
    fs::copy(kNorthwind, root_ / "nw");
    window.fields.dbcFile = (root_ / "nw" / "northwind.dbc").string();
    window.fields.dbcMode = true;
  }
  std::unique_ptr<ado::Connection> FoxPro() {
    auto foxPro = std::make_unique<ado::Connection>();
    foxPro->CursorLocation = ado::adUseClient;
    foxPro->Open(connections::FoxProConnectionString(window.fields));
    return foxPro;
  }
  // Each field's name and whether it takes NULL, as the engine declares them.
  std::vector<std::string> Nullability(const std::string& table) {
    const auto foxPro = FoxPro();
    ado::Recordset records;
    records.Open("SELECT * FROM `" + table + "`", *foxPro);
    std::vector<std::string> fields;
    for (int f = 0; f < records.FieldCount(); ++f) {
      fields.push_back(records.Fields(f).Name + (records.Fields(f).Declared.nullable ? " NULL" : " NOT NULL"));
    }
    records.Close();
    return fields;
  }
};

const foxpro::TableDeclaration kDeclared{
    "people who order",
    {
        {"id", "", "the key", "", "id>0", "", "", "9999"},
        {"name", "\"abc\"", "as written\non two lines", "Full \"name\"", "", "", "!"},
        {"price", "1.5", "", "", "BETWEEN(price, 0, 1000) AND price <> 7", "'Not \"7\"'"},
        {"born", "{^2024-01-31}", "", "Born", "", ""},
        {"active", ".T.", "", "", "", ""},
        {"code", "", "", "", "INLIST(code, \"a\", \"b\")", ""},
        {"made", "DATETIME()", "", "", "", ""},
    }};

TEST_F(DeclarationRoundTripTest, AContainersDeclarationsGoToOracleAndComeBack) {
  {
    const auto foxPro = FoxPro();
    foxPro->Execute(
        "CREATE TABLE 'decl' ([id] I NOT NULL, [name] C(20) NOT NULL, [price] N(10,2) NULL, [born] D NOT NULL, "
        "[active] L NOT NULL, [code] C(1) NULL, [made] T NULL)");
    foxPro->Execute("INSERT INTO 'decl' VALUES ('1', 'Ann', '2.5', '2001-02-03', 'T', 'a', NULL)");
    foxPro->Execute("INSERT INTO 'decl' VALUES ('2', '', NULL, '', 'F', NULL, NULL)");
    foxpro::DbcCatalog(window.fields.dbcFile).Declare("decl", kDeclared);
  }
  const std::vector<std::string> nullability = Nullability("decl");
  Send(true, "decl");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();

  // The empty date is NULL in Oracle (and so would the blank name be): NOT NULL lives in the comment.
  EXPECT_EQ(Rows(oracle, "SELECT COLUMN_NAME, NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'DECL'"),
            (std::vector<std::string>{"ACTIVE|N|1 ", "BORN|Y|DATE '2024-01-31'", "CODE|Y|NULL", "ID|N|NULL",
                                      "MADE|Y|NULL", "NAME|Y|'abc'", "PRICE|Y|1.5 "}));
  EXPECT_EQ(Rows(oracle, "SELECT COLUMN_NAME, COMMENTS FROM USER_COL_COMMENTS WHERE TABLE_NAME = 'DECL'"),
            (std::vector<std::string>{
                "ACTIVE|FoxPro L", "BORN|FoxPro D NOT NULL CAPTION \"Born\"", "CODE|FoxPro C(1)",
                "ID|FoxPro I INPUTMASK \"9999\" RULE \"id>0\"\nthe key", "MADE|FoxPro T",
                "NAME|FoxPro C(20) NOT NULL CAPTION \"Full \"\"name\"\"\" FORMAT \"!\"\nas written\non two lines",
                "PRICE|FoxPro N(10,2) MESSAGE \"'Not \"\"7\"\"'\""}));
  EXPECT_EQ(Rows(oracle, "SELECT TABLE_TYPE, COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = 'DECL'"),
            (std::vector<std::string>{"TABLE|people who order"}));
  EXPECT_EQ(Rows(oracle,
                 "SELECT SEARCH_CONDITION FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'DECL' AND "
                 "CONSTRAINT_TYPE = 'C' AND SEARCH_CONDITION NOT LIKE '%IS NOT NULL'"),
            (std::vector<std::string>{"\"ACTIVE\" IN (0,1)", "\"CODE\" IN ('a', 'b')", "\"ID\" > 0",
                                      "\"PRICE\" BETWEEN 0 AND 1000 AND \"PRICE\" <> 7"}));

  Send(false, "DECL");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  // What Oracle has no place for, or spells otherwise, the column comments gave back as written;
  // an expression Oracle could not hold does not come back from a comment.
  foxpro::TableDeclaration returned = kDeclared;
  returned.fields.back().defaultValue.clear();
  EXPECT_EQ(foxpro::DbcCatalog(window.fields.dbcFile).Declaration("decl"), returned);
  EXPECT_EQ(Nullability("decl"), nullability);
  // The format sheet's reading of the records agrees with the engine's.
  const auto onDisk = FieldPropertiesOnDisk(window.fields.dbcFile, "decl");
  EXPECT_EQ(onDisk.at("name").at(11), "\"abc\"");
  EXPECT_EQ(onDisk.at("name").at(56), "Full \"name\"");
  EXPECT_EQ(onDisk.at("name").at(7), "as written\non two lines");
  EXPECT_EQ(onDisk.at("price").at(9), "BETWEEN(price, 0, 1000) AND price <> 7");
  EXPECT_EQ(onDisk.at("born").at(11), "{^2024-01-31}");
  EXPECT_EQ(onDisk.at("made").count(11), 0U);
  EXPECT_EQ(onDisk.at("name").at(55), "!");
  EXPECT_EQ(onDisk.at("id").at(54), "9999");
  EXPECT_EQ(onDisk.at("id").at(9), "id>0");
}

TEST_F(DeclarationRoundTripTest, AnOracleTablesDeclarationsReachAContainerAndGoBack) {
  oracle.Execute(
      "CREATE TABLE \"ORD\" (\"QTY\" NUMBER(5) DEFAULT 0 NOT NULL CHECK (\"QTY\" >= 0), "
      "\"NOTE\" VARCHAR2(20 CHAR) DEFAULT 'none', \"DUE\" DATE DEFAULT CURRENT_DATE, \"ODD\" NUMBER(3) CHECK (\"ODD\" "
      "+ 1 > 0))");
  oracle.Execute("COMMENT ON TABLE \"ORD\" IS 'orders'");
  oracle.Execute("COMMENT ON COLUMN \"ORD\".\"NOTE\" IS 'FoxPro is\nnot this'");
  // A comment is anybody's text: expressions FoxPro would evaluate do not reach the container.
  oracle.Execute(
      "COMMENT ON COLUMN \"ORD\".\"ODD\" IS 'FoxPro N(3) MESSAGE \"EVIL()\" RULE \"odd > 0 OR EVIL()\" DEFAULT "
      "\"EVIL()\" FORMAT \"9\"'");
  oracle.Execute("INSERT INTO \"ORD\" (\"QTY\", \"NOTE\") VALUES (3, 'x')");
  {
    // Into a free table the plan says what stays behind.
    auto free = window.fields;
    free.dbcMode = false;
    free.freeTableFolder = root_.string();
    const std::string plan = PlanText(PlanSendToFoxPro(free, {"ORD"}, {true, ExistingTarget::Replace, {}}));
    for (const char* line : {"comment not kept: a free table has no container to hold it",
                             "field qty: default, rule not kept: a free table has no container to hold them",
                             "field note: default, comment not kept"}) {
      EXPECT_NE(plan.find(line), std::string::npos) << line << "\n" << plan;
    }
  }

  Send(false, "ORD");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  EXPECT_EQ(foxpro::DbcCatalog(window.fields.dbcFile).Declaration("ord"),
            (foxpro::TableDeclaration{"orders",
                                      {{"qty", "0", "", "", "qty >= 0", ""},
                                       {"note", "\"none\"", "FoxPro is\nnot this", "", "", ""},
                                       {"due", "", "", "", "", ""},
                                       {"odd", "", "", "", "", "", "9"}}}));
  EXPECT_EQ(Nullability("ord"), (std::vector<std::string>{"qty NOT NULL", "note NULL", "due NULL", "odd NULL"}));

  Send(true, "ord");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  EXPECT_EQ(Rows(oracle, "SELECT COLUMN_NAME, NULLABLE, DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'ORD'"),
            (std::vector<std::string>{"DUE|Y|NULL", "NOTE|Y|'none'", "ODD|Y|NULL", "QTY|N|0 "}));
  EXPECT_EQ(Rows(oracle, "SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = 'ORD'"),
            (std::vector<std::string>{"orders"}));
}

TEST_F(DeclarationRoundTripTest, OracleNamesNotAllUpperCaseAreRecordedInTheContainerAndComeBack) {
  oracle.Execute(
      "CREATE TABLE \"MyTable\" (\"orderId\" NUMBER(9), \"NAME\" VARCHAR2(10 CHAR), \"note\" NUMBER(2) NOT NULL, "
      "CONSTRAINT \"MyTable_Pk\" "
      "PRIMARY KEY (\"orderId\"))");
  oracle.Execute("CREATE INDEX \"NAME_INDEX_LONG\" ON \"MyTable\" (\"NAME\")");
  oracle.Execute("INSERT INTO \"MyTable\" VALUES (7, 'x', 1)");
  const std::vector<std::string> columns =
      Rows(oracle, "SELECT COLUMN_NAME, DATA_TYPE FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'MyTable'");
  const std::string keys =
      "SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'MyTable' AND "
      "CONSTRAINT_TYPE = 'P' UNION ALL SELECT INDEX_NAME FROM USER_INDEXES WHERE TABLE_NAME = "
      "'MyTable'";
  const std::vector<std::string> keyNames = Rows(oracle, keys);
  // The dry run names what the run makes and what the container records.
  const std::string plan = PlanText(PlanSendToFoxPro(window.fields, {"MyTable"}, {true, ExistingTarget::Replace, {}}));
  EXPECT_NE(plan.find("mytable.DBF' CODEPAGE=1252 ([orderid] I NOT NULL, [name] C(10) NULL, [note] I NOT NULL)"),
            std::string::npos)
      << plan;
  EXPECT_NE(plan.find("the container records Oracle names: table \"MyTable\" field"), std::string::npos) << plan;
  // Oracle keeps a NOT NULL as a CHECK of its own, the name always quoted: no rule to carry.
  EXPECT_EQ(plan.find("IS NOT NULL) not carried"), std::string::npos) << plan;

  Send(false, "MyTable");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  // FoxPro's own names are lower case; what they lose is the first line of the table's comment.
  EXPECT_EQ(Nullability("mytable"), (std::vector<std::string>{"orderid NOT NULL", "name NULL", "note NOT NULL"}));
  EXPECT_EQ(foxpro::DbcCatalog(window.fields.dbcFile).Declaration("mytable").comment,
            "Oracle names: table \"MyTable\" field \"orderid\" \"orderId\" field \"note\" \"note\" key \"mytable_pk\" "
            "\"MyTable_Pk\" key "
            "\"name_index\" \"NAME_INDEX_LONG\"");
  oracle.Execute("DROP TABLE \"MyTable\"");

  Send(true, "mytable");
  EXPECT_TRUE(prompter.reports.empty()) << prompter.Reports();
  EXPECT_EQ(Rows(oracle, "SELECT COLUMN_NAME, DATA_TYPE FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'MyTable'"), columns);
  EXPECT_EQ(Rows(oracle, keys), keyNames);
  EXPECT_EQ(Rows(oracle, "SELECT * FROM \"MyTable\""), std::vector<std::string>{"7|x|1"});
}

}  // namespace
}  // namespace transfer
