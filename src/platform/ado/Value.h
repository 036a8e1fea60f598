#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ado {

struct Null {
  bool operator==(const Null&) const = default;
};

// Calendar date without time of day.
struct Date {
  int year = 1899, month = 12, day = 30;
  bool operator==(const Date&) const = default;
};

struct DateTime {
  Date date;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
  bool operator==(const DateTime&) const = default;
};

// Currency is a fixed-point amount with four decimals, kept as ten-thousandths.
struct Currency {
  std::int64_t tenThousandths = 0;
  bool operator==(const Currency&) const = default;
};

// An exact decimal number as the source spelled it ("-12.50", "3"), with "." as the
// separator; kept as text so that no digit is lost on the way.
struct Decimal {
  std::string digits;
  bool operator==(const Decimal&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

// The variant value of a field. Text is UTF-8.
class Value {
 public:
  using Storage = std::variant<Null, std::string, std::int64_t, double, Currency, Decimal, Date, DateTime, bool, Bytes>;

  Value() = default;
  Value(Null) {}
  Value(std::string text) : v_(std::move(text)) {}
  Value(const char* text) : v_(std::string(text)) {}
  Value(std::int64_t n) : v_(n) {}
  Value(int n) : v_(std::int64_t{n}) {}
  Value(double d) : v_(d) {}
  Value(Currency c) : v_(c) {}
  Value(Decimal d) : v_(std::move(d)) {}
  Value(Date d) : v_(d) {}
  Value(DateTime d) : v_(d) {}
  Value(bool b) : v_(b) {}
  Value(Bytes b) : v_(std::move(b)) {}

  bool IsNull() const { return std::holds_alternative<Null>(v_); }
  template <class T>
  bool Is() const {
    return std::holds_alternative<T>(v_);
  }
  template <class T>
  const T& As() const {
    return std::get<T>(v_);
  }
  const Storage& Get() const { return v_; }

  bool operator==(const Value&) const = default;

 private:
  Storage v_;
};

// How values become text; the defaults follow the user's locale (LC_NUMERIC, LC_TIME),
// tests set it explicitly.
struct TextLocale {
  char decimalSeparator = '.';
  // Short date pattern with d, M and yyyy placeholders, e.g. "M/d/yyyy" or "dd.MM.yyyy".
  std::string shortDate = "M/d/yyyy";

  static TextLocale FromEnvironment();
};

void SetTextLocale(TextLocale locale);
const TextLocale& CurrentTextLocale();

// The one conversion of a value to text used everywhere in the program. Null gives
// empty text; bytes come out one character per byte (code points U+0000..U+00FF).
std::string ValueToText(const Value& value);
// The same text, appended to out: no string of its own per value on hot paths.
void AppendValueText(std::string& out, const Value& value);

// A byte array as upper-case hex digits, two a byte: how bytes travel as text into a
// column that holds text.
void AppendHexText(std::string& out, const Bytes& bytes);

// Shortest decimal spelling of a double that reads back as the same number.
std::string ShortestDouble(double d, char decimalSeparator);

}  // namespace ado
