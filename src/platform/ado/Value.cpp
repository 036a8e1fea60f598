#include "platform/ado/Value.h"

#include <atomic>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/ado/DecimalDigits.h"
#include "platform/ado/Utf.h"

namespace ado {

namespace {

// A short date pattern taken apart once: literal text, and day, month and year fields with
// their minimum digits.
struct DatePart {
  char field;  // 'd', 'M', 'y', or 0 for literal text
  int digits;
  std::string literal;
};

struct ActiveTextLocale {
  TextLocale locale;
  std::vector<DatePart> shortDate;
};

std::vector<DatePart> CompileDatePattern(const std::string& pattern) {
  std::vector<DatePart> parts;
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    std::size_t run = 1;
    while (i + run < pattern.size() && pattern[i + run] == c) ++run;
    if (c == 'd' || c == 'M') {
      parts.push_back({c, run >= 2 ? 2 : 1, {}});
    } else if (c == 'y') {
      parts.push_back({c, 4, {}});  // always the whole year, whatever the pattern says
    } else if (!parts.empty() && parts.back().field == 0) {
      parts.back().literal.append(run, c);
    } else {
      parts.push_back({0, 0, std::string(run, c)});
    }
    i += run;
  }
  return parts;
}

// Readers take the current locale without a lock (it is read once per value); every locale
// ever set stays alive, so a reader never holds a dangling one.
std::mutex localeLock;
std::deque<ActiveTextLocale> keptLocales;
std::atomic<const ActiveTextLocale*> activeLocale{nullptr};

const ActiveTextLocale& Activate(TextLocale locale) {
  std::vector<DatePart> compiled = CompileDatePattern(locale.shortDate);
  keptLocales.push_back({std::move(locale), std::move(compiled)});
  activeLocale.store(&keptLocales.back(), std::memory_order_release);
  return keptLocales.back();
}

const ActiveTextLocale& Active() {
  if (const ActiveTextLocale* active = activeLocale.load(std::memory_order_acquire)) return *active;
  std::lock_guard guard(localeLock);
  if (const ActiveTextLocale* active = activeLocale.load(std::memory_order_relaxed)) return *active;
  return Activate(TextLocale::FromEnvironment());
}

void AppendNumber(std::string& out, long n, int minDigits) {
  if (n >= 0 && n < 100 && minDigits <= 2) {
    if (n >= 10 || minDigits == 2) out.push_back(static_cast<char>('0' + n / 10));
    out.push_back(static_cast<char>('0' + n % 10));
    return;
  }
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, n < 0 ? -n : n);
  const auto digits = static_cast<int>(result.ptr - buffer);
  if (n < 0) out.push_back('-');
  if (digits < minDigits) out.append(static_cast<std::size_t>(minDigits - digits), '0');
  out.append(buffer, static_cast<std::size_t>(digits));
}

void AppendDate(std::string& out, const Date& date, const std::vector<DatePart>& pattern) {
  for (const DatePart& part : pattern) {
    switch (part.field) {
      case 'd':
        AppendNumber(out, date.day, part.digits);
        break;
      case 'M':
        AppendNumber(out, date.month, part.digits);
        break;
      case 'y':
        AppendNumber(out, date.year, part.digits);
        break;
      default:
        out += part.literal;
    }
  }
}

// The general form of an exact decimal text ("-0012.50", "1.5E+3"): no leading zeros, no
// trailing fraction zeros, no separator without a fraction, no sign on zero; an exponent
// only where the source had one and the number is very large or very small. It works on
// the digits, not through double, so that no digit is lost. A text it cannot read stays.
void AppendGeneralDecimal(std::string& out, std::string_view text, char decimalSeparator) {
  const std::optional<DecimalDigits> parsed = ParseDecimalDigits(text);
  if (!parsed) {
    const std::size_t from = out.size();
    out += text;
    for (std::size_t i = from; i < out.size(); ++i) {
      if (out[i] == '.') out[i] = decimalSeparator;
    }
    return;
  }
  const bool negative = parsed->negative;
  const bool scientific = text.find_first_of("eE") != std::string_view::npos;
  std::string digits = parsed->integer + parsed->fraction;
  long pointAt = static_cast<long>(parsed->integer.size());
  // value = 0.digits x 10^pointAt, with no leading or trailing zero digit.
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) {
    out.push_back('0');
    return;
  }
  digits.erase(0, first);
  pointAt -= static_cast<long>(first);
  digits.erase(digits.find_last_not_of('0') + 1);
  const long count = static_cast<long>(digits.size());

  if (negative) out.push_back('-');
  if (scientific && (pointAt - 1 >= 15 || pointAt - 1 < -5)) {
    out.push_back(digits[0]);
    if (count > 1) {
      out.push_back(decimalSeparator);
      out.append(digits, 1);
    }
    out.push_back('E');
    out.push_back(pointAt - 1 < 0 ? '-' : '+');
    AppendNumber(out, std::labs(pointAt - 1), 2);
  } else if (pointAt <= 0) {
    out.push_back('0');
    out.push_back(decimalSeparator);
    out.append(static_cast<std::size_t>(-pointAt), '0');
    out += digits;
  } else if (pointAt >= count) {
    out += digits;
    out.append(static_cast<std::size_t>(pointAt - count), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(pointAt));
    out.push_back(decimalSeparator);
    out.append(digits, static_cast<std::size_t>(pointAt));
  }
}

}  // namespace

void AppendHexText(std::string& out, const Bytes& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out.reserve(out.size() + bytes.size() * 2);
  for (const std::uint8_t byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0x0F];
  }
}

void SetTextLocale(TextLocale locale) {
  std::lock_guard guard(localeLock);
  Activate(std::move(locale));
}

const TextLocale& CurrentTextLocale() { return Active().locale; }

std::string ShortestDouble(double d, char decimalSeparator) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d < 0 ? "-Infinity" : "Infinity";
  if (d == 0) return "0";
  // Shortest round-trip digits in scientific form: "-d.ddde+XX".
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, d, std::chars_format::scientific);
  const std::string_view sci(buffer, static_cast<std::size_t>(result.ptr - buffer));
  const bool negative = sci.front() == '-';
  const std::size_t e = sci.find('e');
  std::string digits;
  for (char c : sci.substr(negative ? 1 : 0, e - (negative ? 1 : 0))) {
    if (c != '.') digits.push_back(c);
  }
  int exponent = 0;
  std::from_chars(sci.data() + e + 1 + (sci[e + 1] == '+' ? 1 : 0), sci.data() + sci.size(), exponent);

  std::string out;
  if (negative) out.push_back('-');
  const int count = static_cast<int>(digits.size());
  if (exponent >= 15 || exponent < -5) {
    // Very large and very small numbers read better with an exponent.
    out.push_back(digits[0]);
    if (count > 1) {
      out.push_back(decimalSeparator);
      out.append(digits, 1);
    }
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) out.push_back('0');
    out += std::to_string(magnitude);
  } else if (exponent < 0) {
    out += '0';
    out.push_back(decimalSeparator);
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  } else if (count <= exponent + 1) {
    out += digits;
    out.append(static_cast<std::size_t>(exponent + 1 - count), '0');
  } else {
    out.append(digits, 0, static_cast<std::size_t>(exponent + 1));
    out.push_back(decimalSeparator);
    out.append(digits, static_cast<std::size_t>(exponent + 1));
  }
  return out;
}

void AppendValueText(std::string& out, const Value& value) {
  const ActiveTextLocale& active = Active();
  struct Visitor {
    std::string& out;
    const TextLocale& locale;
    const std::vector<DatePart>& shortDate;
    void operator()(const Null&) const {}
    void operator()(const std::string& text) const { out += text; }
    void operator()(std::int64_t n) const {
      char buffer[24];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, n);
      out.append(buffer, result.ptr);
    }
    void operator()(double d) const { out += ShortestDouble(d, locale.decimalSeparator); }
    void operator()(const Currency& c) const {
      DecimalDigits digits = CurrencyDigits(c);
      digits.fraction.erase(digits.fraction.find_last_not_of('0') + 1);
      if (digits.negative) out.push_back('-');
      out += digits.integer.empty() ? "0" : digits.integer;
      if (!digits.fraction.empty()) {
        out.push_back(locale.decimalSeparator);
        out += digits.fraction;
      }
    }
    void operator()(const Decimal& d) const { AppendGeneralDecimal(out, d.digits, locale.decimalSeparator); }
    void operator()(const Date& d) const { AppendDate(out, d, shortDate); }
    void operator()(const DateTime& dt) const {
      AppendDate(out, dt.date, shortDate);
      if (dt.hour == 0 && dt.minute == 0 && dt.second == 0 && dt.millisecond == 0) return;
      out.push_back(' ');
      AppendNumber(out, dt.hour, 2);
      out.push_back(':');
      AppendNumber(out, dt.minute, 2);
      out.push_back(':');
      AppendNumber(out, dt.second, 2);
      if (dt.millisecond != 0) {
        out.push_back(locale.decimalSeparator);
        AppendNumber(out, dt.millisecond, 3);
      }
    }
    void operator()(bool b) const { out += b ? "True" : "False"; }
    void operator()(const Bytes& bytes) const {
      // One character per byte: U+0000..U+00FF, UTF-8 encoded.
      out.reserve(out.size() + bytes.size() * 2);
      for (std::uint8_t b : bytes) AppendUtf8(b, out);
    }
  };
  std::visit(Visitor{out, active.locale, active.shortDate}, value.Get());
}

std::string ValueToText(const Value& value) {
  std::string out;
  AppendValueText(out, value);
  return out;
}

}  // namespace ado
