#include <gtest/gtest.h>

#include <string>

#include "platform/ado/DecimalDigits.h"

namespace ado::test {
namespace {

TEST(DecimalDigits, DigitsKeepTheirFractionAsWrittenAndTheCommaOnlyWhenAccepted) {
  const struct {
    const char* text;
    DecimalComma comma;
    const char* spelling;  // "" for no number
  } cases[] = {
      {"-0012.3400", DecimalComma::Refused, "-12.3400"},
      {"1.50e1", DecimalComma::Refused, "15.0"},
      {"5e-3", DecimalComma::Refused, "0.005"},
      {"3,25", DecimalComma::Refused, ""},
      {"3,25", DecimalComma::Accepted, "3.25"},
      {" 1", DecimalComma::Refused, ""},
      {"1e401", DecimalComma::Refused, ""},
      {".", DecimalComma::Refused, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<DecimalDigits> digits = ParseDecimalDigits(c.text, c.comma);
    EXPECT_EQ(digits ? DecimalSpelling(*digits) : "", c.spelling);
  }
  EXPECT_EQ(DecimalSpelling(CurrencyDigits(Currency{-5})), "-0.0005");
}

}  // namespace
}  // namespace ado::test
