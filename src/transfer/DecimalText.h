#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/Provider.h"
#include "platform/ado/Value.h"

namespace transfer {

/// A decimal number reduced to its digits: no leading zeros before the point, no trailing
/// zeros after it, "-0" as "0". Two spellings of one number reduce to the same digits.
struct DecimalDigits {
  bool negative = false;
  std::string integer;   // "" for a number below 1
  std::string fraction;  // "" for a whole number
  bool operator==(const DecimalDigits&) const = default;
};

/// The digits of "-0012.3400", "1.5e3", "+7", ".5"; nothing for text that is not a number
/// (blanks around it are allowed).
std::optional<DecimalDigits> ParseDecimal(std::string_view text);

/// The number a value holds as decimal digits (a Decimal, text, an integer, a double by its
/// shortest spelling, a currency amount); nothing for other values and non-numbers.
std::optional<DecimalDigits> DecimalOf(const ado::Value& value);

/// "-12.5" for the digits.
std::string DecimalSpelling(const DecimalDigits& digits);

/// The narrowest FoxPro field for a column of numbers without a declared size that holds
/// every value exactly: I when all are integers of 32 bits, else N(w,d) within 20 places,
/// else B when every value is a double exactly, else C wide enough for the digits.
class NumberFieldScan {
 public:
  void Add(const ado::Value& value);
  /// The type letter (I, N, B or C), width and decimals.
  ado::DeclaredField Narrowest() const;

 private:
  bool m_allInt32 = true;
  bool m_allDoubles = true;
  bool m_anyNegative = false;
  int m_integerDigits = 0;
  int m_decimals = 0;
  int m_longestSpelling = 1;
};

}  // namespace transfer
