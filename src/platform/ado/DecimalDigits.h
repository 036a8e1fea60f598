#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/Value.h"

namespace ado {

// The program's one reader of decimal number text: the FoxPro engine, the ODBC rows and the
// transfers all take a number's digits apart here, so that no digit passes through a double.

/// A decimal number as its digits: the sign, the integer digits without leading zeros ("" for
/// a number below 1) and the fraction digits as written.
struct DecimalDigits {
  bool negative = false;
  std::string integer;
  std::string fraction;
  bool operator==(const DecimalDigits&) const = default;

  bool FractionIsZero() const { return fraction.find_first_not_of('0') == std::string::npos; }
  bool IsZero() const { return integer.empty() && FractionIsZero(); }
};

/// Whether "3,25" is read as 3.25 too (the engine takes either separator; catalogs only ".").
enum class DecimalComma { Refused, Accepted };

/// The digits of "-0012.3400", "1.5e3", "+7", ".5", "7."; nothing for other text, blanks
/// included (trimming is the caller's).
std::optional<DecimalDigits> ParseDecimalDigits(std::string_view text, DecimalComma comma = DecimalComma::Refused);

/// The digits of a currency amount, with its four fraction digits.
DecimalDigits CurrencyDigits(Currency amount);

/// "-12.50" for the digits: "0" before the point when there is no integer digit, and no point
/// without fraction digits.
std::string DecimalSpelling(const DecimalDigits& digits);

}  // namespace ado
