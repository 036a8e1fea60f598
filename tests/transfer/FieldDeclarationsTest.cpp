#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "commands/transfer/FieldDeclarations.h"

namespace transfer {
namespace {

ado::DeclaredField Field(char type) {
  ado::DeclaredField field;
  field.typeLetter = type;
  field.width = type == 'C' ? 10 : type == 'N' ? 8 : 0;
  return field;
}

struct Crossing {
  char type;
  std::string foxPro;
  std::optional<std::string> oracle;  // none: not carried
};

TEST(FieldDeclarationsTest, LiteralDefaultsCrossBothWaysAndExpressionsDoNot) {
  const std::vector<Crossing> table = {
      {'N', "1.5", "1.5"},
      {'N', "-7", "-7"},
      {'C', "\"abc\"", "'abc'"},
      {'C', "\"it's\"", "'it''s'"},
      {'D', "{^2024-01-31}", "DATE '2024-01-31'"},
      {'T', "{^2024-01-31 10:20:30}", "TIMESTAMP '2024-01-31 10:20:30'"},
      {'L', ".T.", "1"},
      {'L', ".F.", "0"},
      {'C', "\"\"", std::nullopt},  // Oracle holds an empty text as NULL
      {'T', "DATETIME()", std::nullopt},
      {'N', "1 + 1", std::nullopt},
      {'N', "\"abc\"", std::nullopt},
      {'D', "{}", std::nullopt},
  };
  for (const Crossing& row : table) {
    SCOPED_TRACE(row.foxPro);
    EXPECT_EQ(OracleDefaultFor(row.foxPro, Field(row.type)), row.oracle);
    if (row.oracle) {
      EXPECT_EQ(FoxProDefaultFor(*row.oracle, Field(row.type)), row.foxPro);
    }
  }
  // Other spellings of the same literals arrive in one spelling.
  EXPECT_EQ(OracleDefaultFor("'abc'", Field('C')), "'abc'");
  EXPECT_EQ(OracleDefaultFor("[a\"b']", Field('C')), "'a\"b'''");
  EXPECT_EQ(OracleDefaultFor(".y.", Field('L')), "1");
  EXPECT_EQ(FoxProDefaultFor("'say \"x\"'", Field('C')), "'say \"x\"'");
  EXPECT_EQ(FoxProDefaultFor("SYSDATE", Field('D')), std::nullopt);
}

TEST(FieldDeclarationsTest, SimpleRulesBecomeChecksAndComeBack) {
  const std::vector<Crossing> table = {
      {'N', "qty > 0", "\"QTY\" > 0"},
      {'N', "QTY >= 1 AND qty <= 9", "\"QTY\" >= 1 AND \"QTY\" <= 9"},
      {'N', "qty <> 3", "\"QTY\" <> 3"},
      {'N', "BETWEEN(qty, 1, 10)", "\"QTY\" BETWEEN 1 AND 10"},
      {'C', "INLIST(qty, \"a\", \"b\")", "\"QTY\" IN ('a', 'b')"},
      {'D', "qty < {^2030-01-01}", "\"QTY\" < DATE '2030-01-01'"},
      {'L', "qty = .T.", "\"QTY\" = 1"},
      {'N', "qty > 0 .AND. BETWEEN(qty, 1, 5)", std::nullopt},  // comes back with AND
      {'N', "qty > 0 OR qty < -5", std::nullopt},
      {'N', "other > 0", std::nullopt},
      {'N', "qty > other", std::nullopt},
      {'N', "qty > 0 AND other > 0", std::nullopt},
      {'C', "LEN(qty) > 2", std::nullopt},
      {'C', "qty == \"a\"", std::nullopt},
  };
  for (const Crossing& row : table) {
    SCOPED_TRACE(row.foxPro);
    const std::optional<std::string> check = OracleCheckFor(row.foxPro, "qty", "QTY", Field(row.type));
    if (row.foxPro.find(".AND.") != std::string::npos) {
      EXPECT_EQ(check, "\"QTY\" > 0 AND \"QTY\" BETWEEN 1 AND 5");
      continue;
    }
    EXPECT_EQ(check, row.oracle);
    if (!row.oracle) continue;
    EXPECT_EQ(CheckedColumn(*row.oracle), "QTY");
    EXPECT_EQ(
        OracleCheckFor(FoxProRuleFor(*row.oracle, "qty", Field(row.type)).value_or(""), "qty", "QTY", Field(row.type)),
        row.oracle);
  }
  // The other comparisons are spelled as Oracle spells them; Oracle's parentheses are read.
  EXPECT_EQ(OracleCheckFor("qty # 1 AND qty != 2", "qty", "QTY", Field('N')), "\"QTY\" <> 1 AND \"QTY\" <> 2");
  // FoxPro's own spellings, as real containers hold them.
  EXPECT_EQ(OracleCheckFor("qty=>0.AND.qty=<1", "qty", "QTY", Field('N')), "\"QTY\" >= 0 AND \"QTY\" <= 1");
  EXPECT_EQ(OracleCheckFor("qty>1.5.AND.qty<2.", "qty", "QTY", Field('N')), "\"QTY\" > 1.5 AND \"QTY\" < 2.");
  EXPECT_EQ(FoxProRuleFor("(\"QTY\" IN (1, 2))", "qty", Field('N')), "INLIST(qty, 1, 2)");
  EXPECT_EQ(CheckedColumn("\"A\" > 0 AND \"B\" > 0"), std::nullopt);
  EXPECT_EQ(CheckedColumn("\"A\" IS NOT NULL"), std::nullopt);
}

}  // namespace
}  // namespace transfer
