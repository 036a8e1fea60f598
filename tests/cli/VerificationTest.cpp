#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/Verification.h"

namespace cli {
namespace {

TEST(VerificationTest, ValuesAreEqualAsEachDirectionDefinesIt) {
  struct Case {
    Direction direction;
    ado::Value source, target;
    bool same;
  };
  const auto O = Direction::ToOracle;
  const auto F = Direction::ToFoxPro;
  for (const Case& c : std::vector<Case>{
           {O, "it's", "it's", true},
           {O, "abc  ", "abc", false},  // Oracle keeps the blanks it was sent
           {O, "", ado::Null{}, true},  // an empty text is sent as NULL
           {O, ado::Null{}, "x", false},
           {O, ado::Decimal{"5.50"}, ado::Decimal{"5.5"}, true},  // numbers as numbers
           {O, "0x1A", "26", false},                              // but only plain decimals are numbers
           {O, "1e3", ado::Decimal{"1000"}, true},
           {O, ado::Bytes{0x00, 0xFF}, ado::Bytes{0x00, 0xFF}, true},
           {O, ado::Date{2020, 12, 31}, ado::Date{2020, 12, 30}, false},
           {F, ado::Null{}, "     ", true},  // FoxPro pads character fields
           {F, "abc", "abc       ", true},
           {F, "abc", "abd", false},
           {F, std::int64_t{7}, ado::Decimal{"7.00"}, true},
           {O, ado::Decimal{"12345678901234567891"}, ado::Decimal{"12345678901234567000"}, false},
           {F, "12345678901234567891", ado::Decimal{"12345678901234567891.0"}, true},
       }) {
    EXPECT_EQ(SameValue(c.direction, c.source, c.target), c.same)
        << ShownText(c.direction, c.source) << " / " << ShownText(c.direction, c.target);
  }
}

TEST(VerificationTest, TypedValuesCompareDigitsTimesAndBytesExactly) {
  struct Case {
    ado::Value source, target;
    bool same;
  };
  const ado::DateTime noon{{2024, 2, 29}, 12, 0, 0, 250};
  for (const Case& c : std::vector<Case>{
           {ado::Decimal{"12345678901234567891"}, ado::Decimal{"12345678901234567000"}, false},
           {ado::Decimal{"-0.5000"}, ado::Decimal{"-.5"}, true},
           {ado::Currency{-9223372036854775807 - 1}, ado::Decimal{"-922337203685477.5808"}, true},
           {true, ado::Decimal{"1"}, true},
           {noon, ado::DateTime{{2024, 2, 29}, 12, 0, 0, 251}, false},
           {ado::Date{2024, 2, 29}, ado::DateTime{{2024, 2, 29}, 0, 0, 0, 0}, true},
           {ado::Null{}, "", true},
           {"abc  ", "abc", true},
           {ado::Bytes{0x00, 0xFF}, ado::Bytes{0x00, 0xFE}, false},
           {ado::Bytes{}, ado::Null{}, false},
           {1.5, 1.5000000000000002, false},
       }) {
    EXPECT_EQ(SameValue(Direction::ToOracle, c.source, c.target, true), c.same)
        << ado::ValueToText(c.source) << " / " << ado::ValueToText(c.target);
  }
}

TEST(VerificationTest, TypedCopiesCompareDigitsInTextAsNumbersAndCountTimesCutByTheRule) {
  // An Oracle number too wide for FoxPro arrives as its digits in a C field; an Oracle time is
  // read as text to the microsecond and arrives cut to the millisecond.
  const std::string wide = "12345678901234567890123456789012345678";
  const Rows source = {{ado::Decimal{wide}, "2024-01-01 23:59:59.999600", "007"},
                       {ado::Decimal{"-7"}, "2024-02-29 12:00:00.250000", "8"}};
  const Rows target = {{"-7        ", ado::DateTime{{2024, 2, 29}, 12, 0, 0, 250}, "8"},
                       {wide, ado::DateTime{{2024, 1, 1}, 23, 59, 59, 999}, "7"}};
  const TableComparison result =
      CompareRows(Direction::ToFoxPro, "T", {"WIDE", "STAMP", "CODE"}, source, target, {}, 20, true);
  EXPECT_EQ(result.compared, 6);
  EXPECT_EQ(result.differing, 1);  // texts stay texts: "007" is not "7"
  EXPECT_EQ(result.rounded, 1);
  ASSERT_EQ(result.differences.size(), 2u);
  EXPECT_TRUE(result.differences[0].rounded);
  EXPECT_EQ(result.differences[0].column, "STAMP");
  EXPECT_EQ(result.differences[0].row, 1);
  EXPECT_FALSE(result.differences[1].rounded);
  EXPECT_EQ(result.differences[1].column, "CODE");
}

TEST(VerificationTest, FoxProNoiseAroundASecondIsRoundedByTheRuleAndOtherMillisecondsMustMatch) {
  const ado::Date day{2013, 12, 12};
  const Rows source = {{ado::DateTime{day, 8, 29, 59, 999}}, {ado::DateTime{day, 9, 0, 0, 250}}};
  const Rows target = {{ado::DateTime{day, 8, 30, 0, 0}}, {ado::DateTime{day, 9, 0, 0, 0}}};
  const TableComparison result = CompareRows(Direction::ToOracle, "T", {"STAMP"}, source, target, {}, 20, true);
  EXPECT_EQ(result.compared, 2);
  EXPECT_EQ(result.rounded, 1);
  EXPECT_EQ(result.differing, 1);  // .250 is a value's own: losing it is a difference
}

TEST(VerificationTest, RowsPairInAnyOrderPastRejectedRowsAndAMissingRowDiffersInEveryValue) {
  const Rows source = {{"a", 1}, {"bad", 2}, {"c", 3}, {"d", 4}};
  const Rows target = {{"c", 9}, {"a", ado::Decimal{"1.0"}}};
  const TableComparison result = CompareRows(Direction::ToOracle, "T", {"NAME", "N"}, source, target, {1}, 2);
  EXPECT_EQ(result.compared, 6);
  EXPECT_EQ(result.differing, 3);            // row 3's N, and both values of row 4
  ASSERT_EQ(result.differences.size(), 2u);  // only as many as asked for
  EXPECT_EQ(result.differences[0].row, 3);
  EXPECT_EQ(result.differences[0].column, "N");
  EXPECT_EQ(result.differences[0].sourceText, "3");
  EXPECT_EQ(result.differences[0].targetText, "9");
  EXPECT_EQ(result.differences[1].targetText, "(no row)");

  const TableComparison extra = CompareRows(Direction::ToOracle, "T", {"NAME"}, {}, {{"x"}}, {}, 20);
  EXPECT_EQ(extra.differing, 1);
}

}  // namespace
}  // namespace cli
