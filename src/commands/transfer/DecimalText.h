#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/DecimalDigits.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Value.h"

namespace transfer {

/// A number's digits as ParseDecimal and DecimalOf give them: no leading zeros before the
/// point, no trailing zeros after it, "-0" as "0", so that two spellings of one number give
/// the same digits.
using ado::DecimalDigits;
using ado::DecimalSpelling;  // "-12.5" for the digits

/// The digits of "-0012.3400", "1.5e3", "+7", ".5"; nothing for text that is not a number
/// (blanks around it are allowed).
std::optional<DecimalDigits> ParseDecimal(std::string_view text);

/// The number a value holds as decimal digits (a Decimal, text, an integer, a double by its
/// shortest spelling, a currency amount); nothing for other values and non-numbers.
std::optional<DecimalDigits> DecimalOf(const ado::Value& value);

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
