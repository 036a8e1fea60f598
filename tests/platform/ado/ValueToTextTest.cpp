#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/ado/Value.h"

namespace {

using ado::Value;

class ValueToTextTest : public ::testing::Test {
 protected:
  void SetUp() override { ado::SetTextLocale({'.', "M/d/yyyy"}); }
  void TearDown() override { ado::SetTextLocale({}); }
  static void UseGerman() { ado::SetTextLocale({',', "dd.MM.yyyy"}); }
};

TEST_F(ValueToTextTest, TextIsUnchangedAndNullIsEmpty) {
  EXPECT_EQ(ado::ValueToText(Value("  trailing  ")), "  trailing  ");
  EXPECT_EQ(ado::ValueToText(Value("")), "");
  EXPECT_EQ(ado::ValueToText(Value()), "");
  EXPECT_EQ(ado::ValueToText(Value("Grüße\r\n")), "Grüße\r\n");
}

TEST_F(ValueToTextTest, WholeNumbersAreDigitsWithoutGrouping) {
  EXPECT_EQ(ado::ValueToText(Value(0)), "0");
  EXPECT_EQ(ado::ValueToText(Value(-42)), "-42");
  EXPECT_EQ(ado::ValueToText(Value(std::numeric_limits<std::int64_t>::min())), "-9223372036854775808");
  UseGerman();
  EXPECT_EQ(ado::ValueToText(Value(1234567)), "1234567");
}

TEST_F(ValueToTextTest, DoublesTakeTheShortestFormThatReadsBack) {
  EXPECT_EQ(ado::ValueToText(Value(3.25)), "3.25");
  EXPECT_EQ(ado::ValueToText(Value(0.1)), "0.1");
  EXPECT_EQ(ado::ValueToText(Value(0.1 + 0.2)), "0.30000000000000004");
  EXPECT_EQ(ado::ValueToText(Value(3.0)), "3");
  EXPECT_EQ(ado::ValueToText(Value(-0.0)), "0");
  EXPECT_EQ(ado::ValueToText(Value(-1234.5)), "-1234.5");
  EXPECT_EQ(ado::ValueToText(Value(100000000000000.0)), "100000000000000");
  EXPECT_EQ(ado::ValueToText(Value(0.00001)), "0.00001");
  EXPECT_EQ(ado::ValueToText(Value(1e20)), "1E+20");
  EXPECT_EQ(ado::ValueToText(Value(-1.5e-7)), "-1.5E-07");
  EXPECT_EQ(ado::ValueToText(Value(1.7976931348623157e308)), "1.7976931348623157E+308");
  UseGerman();
  EXPECT_EQ(ado::ValueToText(Value(3.25)), "3,25");
  EXPECT_EQ(ado::ValueToText(Value(2.5e-9)), "2,5E-09");
}

TEST_F(ValueToTextTest, EveryDoubleSpellingReadsBackAsTheSameNumber) {
  // A spread of magnitudes and awkward fractions; each spelling must parse to the same bits.
  unsigned state = 12345;
  for (int i = 0; i < 20000; ++i) {
    state = state * 1103515245u + 12345u;
    const double mantissa = static_cast<double>(state) / 4294967296.0;
    const double d = std::ldexp(mantissa, static_cast<int>(state % 200) - 100) * ((state & 1) ? -1 : 1);
    const std::string text = ado::ShortestDouble(d, '.');
    ASSERT_EQ(std::strtod(text.c_str(), nullptr), d) << text;
    ASSERT_EQ(text.find(','), std::string::npos);
  }
}

TEST_F(ValueToTextTest, CurrencyShowsUpToFourDecimals) {
  EXPECT_EQ(ado::ValueToText(Value(ado::Currency{125000})), "12.5");
  EXPECT_EQ(ado::ValueToText(Value(ado::Currency{30000})), "3");
  EXPECT_EQ(ado::ValueToText(Value(ado::Currency{1})), "0.0001");
  EXPECT_EQ(ado::ValueToText(Value(ado::Currency{-12345})), "-1.2345");
  EXPECT_EQ(ado::ValueToText(Value(ado::Currency{std::numeric_limits<std::int64_t>::min()})), "-922337203685477.5808");
  UseGerman();
  EXPECT_EQ(ado::ValueToText(Value(ado::Currency{-5000})), "-0,5");
}

TEST_F(ValueToTextTest, DecimalsTakeTheGeneralFormWithoutLosingADigit) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1234.50", "1234.5"},
      {"0.00", "0"},
      {"-0.0", "0"},
      {"-2.0", "-2"},
      {"-12.50", "-12.5"},
      {"007.250", "7.25"},
      {"-0.000001", "-0.000001"},
      {"100", "100"},
      {"12345678901234567890123456789012345678", "12345678901234567890123456789012345678"},
      {"-1234567890123456789012345678901234567.80", "-1234567890123456789012345678901234567.8"},
      {"0.10000000000000000000000000000000000001", "0.10000000000000000000000000000000000001"},
      {"1.50E+3", "1500"},
      {"1.5E+20", "1.5E+20"},
      {"2.5E-7", "2.5E-07"},
      {"NaN", "NaN"},
  };
  for (const auto& [digits, general] : cases)
    EXPECT_EQ(ado::ValueToText(Value(ado::Decimal{digits})), general) << digits;
  UseGerman();
  EXPECT_EQ(ado::ValueToText(Value(ado::Decimal{"0.1250"})), "0,125");
}

TEST_F(ValueToTextTest, DatesUseTheShortPatternWithAFourDigitYear) {
  EXPECT_EQ(ado::ValueToText(Value(ado::Date{2024, 2, 9})), "2/9/2024");
  EXPECT_EQ(ado::ValueToText(Value(ado::Date{99, 12, 31})), "12/31/0099");
  UseGerman();
  EXPECT_EQ(ado::ValueToText(Value(ado::Date{2024, 2, 9})), "09.02.2024");
  ado::SetTextLocale({'.', "yy-MM-dd"});  // a two-digit year pattern still gives the whole year
  EXPECT_EQ(ado::ValueToText(Value(ado::Date{2024, 2, 9})), "2024-02-09");
}

TEST_F(ValueToTextTest, TimeOfDayFollowsOnlyWhenNotMidnight) {
  EXPECT_EQ(ado::ValueToText(Value(ado::DateTime{{2024, 2, 9}, 0, 0, 0, 0})), "2/9/2024");
  EXPECT_EQ(ado::ValueToText(Value(ado::DateTime{{2024, 2, 9}, 13, 5, 0, 0})), "2/9/2024 13:05:00");
  EXPECT_EQ(ado::ValueToText(Value(ado::DateTime{{2024, 2, 9}, 0, 0, 0, 7})), "2/9/2024 00:00:00.007");
  UseGerman();
  EXPECT_EQ(ado::ValueToText(Value(ado::DateTime{{2024, 12, 31}, 23, 59, 59, 250})), "31.12.2024 23:59:59,250");
}

TEST_F(ValueToTextTest, LogicalsAreTrueAndFalse) {
  EXPECT_EQ(ado::ValueToText(Value(true)), "True");
  EXPECT_EQ(ado::ValueToText(Value(false)), "False");
}

TEST_F(ValueToTextTest, BytesBecomeOneCharacterEach) {
  EXPECT_EQ(ado::ValueToText(Value(ado::Bytes{})), "");
  EXPECT_EQ(ado::ValueToText(Value(ado::Bytes{'A', 0x00, 0x7F, 0x80, 0xE9, 0xFF})),
            std::string("A\0\x7F", 3) + "\u0080\u00E9\u00FF");
}

TEST(TextLocaleTest, ReadsSeparatorAndShortDateFromTheEnvironment) {
  // C.UTF-8 is always there: "." and %m/%d/%y.
  const char* saved = std::getenv("LC_ALL");
  const std::string keep = saved ? saved : "";
  setenv("LC_ALL", "C.UTF-8", 1);
  const ado::TextLocale locale = ado::TextLocale::FromEnvironment();
  if (saved) {
    setenv("LC_ALL", keep.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
  EXPECT_EQ(locale.decimalSeparator, '.');
  EXPECT_EQ(locale.shortDate, "MM/dd/yyyy");
}

}  // namespace
