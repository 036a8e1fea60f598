#include <gtest/gtest.h>

#include <string>

#include "commands/transfer/OracleValues.h"

namespace transfer {
namespace {

TEST(OracleValueTextTest, BytesBecomeUpperCaseHexTwoDigitsEach) {
  EXPECT_EQ(OracleValueText(ado::Value(ado::Bytes{0x00, 0x0A, 0xAB, 0xFF, 0x27})), "000AABFF27");
  EXPECT_EQ(OracleValueText(ado::Value(ado::Bytes{})), "");
}

TEST(OracleValueTextTest, OtherValuesUseTheCommonConversion) {
  ado::SetTextLocale(ado::TextLocale{'.', "M/d/yyyy"});
  EXPECT_EQ(OracleValueText(ado::Value()), "");
  EXPECT_EQ(OracleValueText(ado::Value("a\r\nb ")), "a\r\nb ");
  EXPECT_EQ(OracleValueText(ado::Value(ado::Currency{123450})), "12.345");
  EXPECT_EQ(OracleValueText(ado::Value(ado::Decimal{"-12.50"})), "-12.5");
  EXPECT_EQ(OracleValueText(ado::Value(false)), "False");
  EXPECT_EQ(OracleValueText(ado::Value(ado::DateTime{{1899, 12, 30}, 23, 59, 58, 7})), "12/30/1899 23:59:58.007");
}

TEST(AppendDoubledApostrophesTest, DoublesEveryApostropheAndNothingElse) {
  std::string out = "VALUES('";
  AppendDoubledApostrophes(out, "it's ''x''");
  EXPECT_EQ(out, "VALUES('it''s ''''x''''");
  out.clear();
  AppendDoubledApostrophes(out, "'");
  EXPECT_EQ(out, "''");
  out.clear();
  AppendDoubledApostrophes(out, "plain\r\n");
  EXPECT_EQ(out, "plain\r\n");
}

}  // namespace
}  // namespace transfer
