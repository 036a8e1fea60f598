#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/transfer/SendTablesToFoxPro.h"
#include "commands/transfer/SendTablesToOracle.h"
#include "commands/transfer/TransferPlan.h"
#include "commands/transfer/TypeMapping.h"
#include "commands/transfer/TypedValues.h"
#include "platform/ado/Types.h"
#include "transfer/TransferTestSupport.h"

namespace transfer {
namespace {

using support::FakeTablesWindow;
using testing::ExpectReport;
using testing::ScriptedSides;
using Strings = std::vector<std::string>;
using Row = std::vector<ado::Value>;

// A FoxPro field as the typed copy creates it: NULL allowed.
ado::DeclaredField Fox(char type, int width = 0, int decimals = 0) {
  return transfer::NullableField(type, width, decimals);
}

const ado::DateTime kWithMilliseconds{{2024, 2, 29}, 13, 5, 9, 250};

class TypedCopyTest : public ::testing::Test {
 protected:
  void SetUp() override { sides.window.fields.keepTypes = true; }
  void TearDown() override { sides.window.prompter.ExpectAllUsed(); }

  void Offer(connections::ListBox& from, const Strings& tables) {
    FakeTablesWindow::Fill(from, tables);
    FakeTablesWindow::Select(from, tables);
    from.SetListIndex(0);
  }

  // EMP in Oracle's dictionary: a small NUMBER, a long-named VARCHAR2, a TIMESTAMP(6), and a
  // NUMBER(1) whose comment says it was a FoxPro L; one row.
  void ScriptEmp() {
    sides.oracle->SetResult(
        "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, NULLABLE "
        "FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'EMP' ORDER BY COLUMN_ID",
        {{{"column_name", ado::adVarChar},
          {"data_type", ado::adVarChar},
          {"data_length", ado::adNumeric},
          {"data_precision", ado::adNumeric},
          {"data_scale", ado::adNumeric},
          {"char_length", ado::adNumeric},
          {"nullable", ado::adVarChar}},
         {{"EMPNO", "NUMBER", ado::Decimal{"22"}, ado::Decimal{"4"}, ado::Decimal{"0"}, ado::Decimal{"0"}, "Y"},
          {"EMPLOYEE_NAME", "VARCHAR2", ado::Decimal{"40"}, ado::Null{}, ado::Null{}, ado::Decimal{"40"}, "Y"},
          {"HIRED", "TIMESTAMP(6)", ado::Decimal{"11"}, ado::Null{}, ado::Decimal{"6"}, ado::Decimal{"0"}, "Y"},
          {"ACTIVE", "NUMBER", ado::Decimal{"22"}, ado::Decimal{"1"}, ado::Decimal{"0"}, ado::Decimal{"0"}, "Y"}}});
    sides.oracle->SetResult("SELECT COLUMN_NAME, COMMENTS FROM USER_COL_COMMENTS WHERE TABLE_NAME = 'EMP'",
                            {{{"column_name", ado::adVarChar}, {"comments", ado::adVarChar}},
                             {{"ACTIVE", "FoxPro L"}, {"EMPNO", ado::Null{}}}});
    // No keys: each dictionary view answers with its columns and no rows.
    for (const char* sql :
         {"SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'EMP' AND CONSTRAINT_TYPE "
          "IN ('P', 'U') ORDER BY 2, 1",
          "SELECT CONSTRAINT_NAME, COLUMN_NAME FROM USER_CONS_COLUMNS WHERE TABLE_NAME = 'EMP' ORDER BY "
          "CONSTRAINT_NAME, POSITION",
          "SELECT INDEX_NAME, UNIQUENESS FROM USER_INDEXES WHERE TABLE_NAME = 'EMP' ORDER BY INDEX_NAME",
          "SELECT INDEX_NAME, COLUMN_NAME, DESCEND FROM USER_IND_COLUMNS WHERE TABLE_NAME = 'EMP' ORDER BY "
          "INDEX_NAME, COLUMN_POSITION",
          "SELECT INDEX_NAME, COLUMN_POSITION, COLUMN_EXPRESSION FROM USER_IND_EXPRESSIONS WHERE TABLE_NAME = 'EMP'",
          "SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = 'EMP'",
          "SELECT COLUMN_NAME, DATA_DEFAULT FROM USER_TAB_COLUMNS WHERE TABLE_NAME = 'EMP'",
          "SELECT SEARCH_CONDITION FROM USER_CONSTRAINTS WHERE TABLE_NAME = 'EMP' AND CONSTRAINT_TYPE = 'C' ORDER BY "
          "CONSTRAINT_NAME",
          "SELECT c.CONSTRAINT_NAME, c.TABLE_NAME, c.DELETE_RULE, p.TABLE_NAME, p.CONSTRAINT_NAME FROM "
          "USER_CONSTRAINTS c, USER_CONSTRAINTS p WHERE c.CONSTRAINT_TYPE = 'R' AND p.CONSTRAINT_NAME = "
          "c.R_CONSTRAINT_NAME ORDER BY c.TABLE_NAME, c.CONSTRAINT_NAME"}) {
      sides.oracle->SetResult(sql, {{{"name", ado::adVarChar}}, {}});
    }
    sides.oracle->SetResult("SELECT COUNT(*) FROM \"EMP\"", {{{"count", ado::adNumeric}}, {{ado::Decimal{"1"}}}});
    sides.oracle->SetResult(
        "SELECT \"EMPNO\", \"EMPLOYEE_NAME\", TO_CHAR(\"HIRED\", 'YYYY-MM-DD HH24:MI:SS.FF6') AS \"HIRED\", \"ACTIVE\" "
        "FROM \"EMP\"",
        {{{"EMPNO", ado::adNumeric},
          {"EMPLOYEE_NAME", ado::adVarChar},
          {"HIRED", ado::adVarChar},
          {"ACTIVE", ado::adNumeric}},
         {{ado::Decimal{"7369"}, "Смит", "2024-02-29 13:05:09.250600", ado::Decimal{"1"}}}});
  }

  ScriptedSides sides;
};

TEST_F(TypedCopyTest, FoxProFieldsBecomeTypedOracleColumnsWithTheirTypeInTheCommentAndRowsTravelTyped) {
  Offer(sides.window.list1, {"orders"});
  sides.foxPro->SetResult("SELECT * FROM `orders`",
                          {{{"name", ado::adChar, Fox('C', 10)},
                            {"qty", ado::adNumeric, Fox('N', 20, 4)},
                            {"born", ado::adDBTimeStamp, Fox('T')},
                            {"ok", ado::adBoolean, Fox('L')}},
                           {{"Ann       ", ado::Decimal{"1234567890123456.1234"}, kWithMilliseconds, true},
                            {"BAD       ", ado::Decimal{"-1"}, ado::Null{}, false}}});
  sides.oracle->AcceptArrays();
  sides.oracle->FailOn("BAD", "ORA-12899: value too large for column \"name\"");
  const std::string insert = "INSERT INTO \"ORDERS\" VALUES(?, ?, ?, ?)";
  ExpectReport(
      sides.window.prompter,
      "Table ORDERS, row 2 was refused: ORA-12899: value too large for column \"name\"\nColumn NAME, value 'BAD'",
      "Form2.PushButton3_Click", 200, insert);
  SendTablesToOracle(sides.window.parts);
  EXPECT_EQ(sides.oracle->Executed(),
            (Strings{"CREATE TABLE \"ORDERS\"(\"NAME\" VARCHAR2(10 CHAR), \"QTY\" NUMBER(19,4), \"BORN\" TIMESTAMP(3), "
                     "\"OK\" NUMBER(1) CHECK (\"OK\" IN (0,1)))",
                     "COMMENT ON COLUMN \"ORDERS\".\"NAME\" IS 'FoxPro C(10)'",
                     "COMMENT ON COLUMN \"ORDERS\".\"QTY\" IS 'FoxPro N(20,4)'",
                     "COMMENT ON COLUMN \"ORDERS\".\"BORN\" IS 'FoxPro T'",
                     "COMMENT ON COLUMN \"ORDERS\".\"OK\" IS 'FoxPro L'"}));
  ASSERT_EQ(sides.oracle->Arrays().size(), 1U);
  EXPECT_EQ(sides.oracle->Arrays()[0].sql, insert);
  EXPECT_EQ(sides.oracle->Arrays()[0].rows,
            (std::vector<Row>{{"Ann", ado::Decimal{"1234567890123456.1234"}, kWithMilliseconds, true},
                              {"BAD", ado::Decimal{"-1"}, ado::Null{}, false}}));
  EXPECT_EQ(sides.window.list2.ListCount(), 1);
}

TEST_F(TypedCopyTest, OracleDictionaryDecidesTheFoxProFieldsAndRowsStreamIntoTypedAppends) {
  Offer(sides.window.list2, {"EMP"});
  sides.window.fields.codePage = 1251;
  ScriptEmp();
  sides.foxPro->AcceptArrays();
  SendTablesToFoxPro(sides.window.parts);
  EXPECT_EQ(sides.foxPro->Executed(),
            (Strings{"CREATE TABLE 'C:\\data\\emp.DBF' CODEPAGE=1251 ([empno] I NULL, [employee_n] C(40) NULL, "
                     "[hired] T NULL, [active] L NULL)"}));
  ASSERT_EQ(sides.foxPro->Arrays().size(), 1U);
  EXPECT_EQ(sides.foxPro->Arrays()[0].sql, "INSERT INTO 'C:\\data\\emp.DBF' VALUES(?, ?, ?, ?)");
  EXPECT_EQ(sides.foxPro->Arrays()[0].rows,
            (std::vector<Row>{{std::int64_t{7369}, "Смит", ado::DateTime{{2024, 2, 29}, 13, 5, 9, 250}, true}}));
}

const PlanChoices kTypedPlan{true, ExistingTarget::KeepUnasked, {}};

TEST_F(TypedCopyTest, ThePlanReadsBothSidesAndChangesNeither) {
  ScriptEmp();
  sides.oracle->SetResult("SELECT TO_CHAR(\"HIRED\", 'YYYY-MM-DD HH24:MI:SS.FF6') AS \"HIRED\" FROM \"EMP\"",
                          {{{"HIRED", ado::adVarChar}}, {{"2024-02-29 13:05:09.250600"}, {"2024-02-29 13:05:09.250"}}});
  const std::string plan = PlanText(PlanSendToFoxPro(sides.window.fields, {"EMP"}, kTypedPlan));
  EXPECT_NE(plan.find("CREATE TABLE 'C:\\data\\emp.DBF' CODEPAGE=1252 ([empno] I NULL"), std::string::npos) << plan;
  EXPECT_NE(plan.find("EMPLOYEE_NAME VARCHAR2  ->  [employee_n] C(40) NULL  (name shortened to employee_n;"),
            std::string::npos)
      << plan;
  EXPECT_NE(plan.find("1 values cut to the millisecond (rounded by the rule)"), std::string::npos) << plan;
  sides.foxPro->SetResult("SELECT * FROM `orders`", {{{"pic", ado::adLongVarBinary, Fox('G')}}, {}});
  sides.foxPro->FailOn("`missing`", "File 'missing.dbf' does not exist.");
  const std::string back = PlanText(PlanSendToOracle(sides.window.fields, {"orders", "missing"}, kTypedPlan));
  EXPECT_NE(back.find("pic G  ->  \"PIC\" BLOB  (the OLE wrapper as stored"), std::string::npos) << back;
  EXPECT_NE(back.find("Table missing -> MISSING\n  cannot be read: File 'missing.dbf' does not exist.\n"),
            std::string::npos)
      << back;
  EXPECT_TRUE(sides.oracle->Executed().empty());
  EXPECT_TRUE(sides.foxPro->Executed().empty());
}

TEST_F(TypedCopyTest, TimesAreCutToTheMillisecondNeverIntoTheNextSecond) {
  struct Case {
    std::string text;
    ado::DateTime time;
    bool rounded;
  };
  for (const Case& c : {Case{"2024-02-29 13:05:09.250000", {{2024, 2, 29}, 13, 5, 9, 250}, false},
                        Case{"1999-12-31 23:59:59.999500", {{1999, 12, 31}, 23, 59, 59, 999}, true},
                        Case{"9999-12-31 23:59:59.999999", {{9999, 12, 31}, 23, 59, 59, 999}, true},
                        Case{"2024-01-01 00:00:00", {{2024, 1, 1}, 0, 0, 0, 0}, false},
                        Case{"2024-01-01 00:00:00.0004", {{2024, 1, 1}, 0, 0, 0, 0}, true}}) {
    bool rounded = false;
    EXPECT_EQ(ParseTimestampText(c.text, rounded), c.time) << c.text;
    EXPECT_EQ(rounded, c.rounded) << c.text;
  }
  bool rounded = false;
  EXPECT_FALSE(ParseTimestampText("2024-02-30 00:00:00", rounded).has_value());
  EXPECT_FALSE(ParseTimestampText("29.02.2024", rounded).has_value());
}

TEST_F(TypedCopyTest, OracleValuesTakeTheKindOfTheirFoxProField) {
  struct Case {
    ado::Value value;
    ado::DeclaredField field;
    ado::Value expected;
  };
  for (const Case& c : std::vector<Case>{
           {ado::Decimal{"-922337203685477.5808"}, Fox('Y'), ado::Currency{INT64_MIN}},
           {ado::Decimal{"-2147483647"}, Fox('I'), std::int64_t{-2147483647}},
           {ado::Decimal{"0.125"}, Fox('B'), 0.125},
           {ado::Decimal{"123456789012345678901234567890"}, Fox('C', 30), "123456789012345678901234567890"},
           {ado::Decimal{"1"}, Fox('L'), true},
           {ado::Decimal{"0"}, Fox('L'), false},
           {ado::DateTime{{2024, 2, 29}, 0, 0, 0, 0}, Fox('D'), ado::Date{2024, 2, 29}},
           {"2024-02-29 13:05:09.250400", Fox('T'), ado::DateTime{{2024, 2, 29}, 13, 5, 9, 250}},
           {ado::Null{}, Fox('N', 20, 4), ado::Null{}},
       }) {
    long rounded = 0;
    EXPECT_EQ(FoxProBoundValue(c.value, c.field, rounded), c.expected) << ado::ValueToText(c.value);
  }
  EXPECT_EQ(OracleBoundValue("padded    ", Fox('C', 10)), ado::Value("padded"));
  EXPECT_EQ(OracleBoundValue("kept    ", Fox('V', 10)), ado::Value("kept    "));
}

}  // namespace
}  // namespace transfer
