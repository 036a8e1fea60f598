#include "platform/ado/DecimalDigits.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace ado {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<DecimalDigits> ParseDecimalDigits(std::string_view text, DecimalComma comma) {
  DecimalDigits result;
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) result.negative = text[at++] == '-';
  while (at < text.size() && IsDigit(text[at])) result.integer += text[at++];
  if (at < text.size() && (text[at] == '.' || (text[at] == ',' && comma == DecimalComma::Accepted))) {
    ++at;
    while (at < text.size() && IsDigit(text[at])) result.fraction += text[at++];
  }
  if (result.integer.empty() && result.fraction.empty()) return std::nullopt;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    // The exponent moves the point within the digits, padding with zeros where it leaves them.
    const std::string_view rest = text.substr(at + 1 + (at + 1 < text.size() && text[at + 1] == '+' ? 1 : 0));
    int exponent = 0;
    const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), exponent);
    if (error != std::errc() || end != rest.data() + rest.size() || exponent > 400 || exponent < -400)
      return std::nullopt;
    std::string digits = result.integer + result.fraction;
    int point = static_cast<int>(result.integer.size()) + exponent;
    if (point < 0) {
      digits.insert(0, static_cast<std::size_t>(-point), '0');
      point = 0;
    }
    if (point > static_cast<int>(digits.size())) digits.append(static_cast<std::size_t>(point) - digits.size(), '0');
    result.integer = digits.substr(0, static_cast<std::size_t>(point));
    result.fraction = digits.substr(static_cast<std::size_t>(point));
    at = text.size();
  }
  if (at != text.size()) return std::nullopt;
  result.integer.erase(0, std::min(result.integer.find_first_not_of('0'), result.integer.size()));
  return result;
}

DecimalDigits CurrencyDigits(Currency amount) {
  const std::int64_t c = amount.tenThousandths;
  // Magnitude as unsigned, so that the smallest amount has one too.
  const std::uint64_t magnitude = c < 0 ? 0 - static_cast<std::uint64_t>(c) : static_cast<std::uint64_t>(c);
  DecimalDigits digits;
  digits.negative = c < 0;
  digits.integer = magnitude >= 10000 ? std::to_string(magnitude / 10000) : std::string();
  const std::string fraction = std::to_string(magnitude % 10000);
  digits.fraction = std::string(4 - fraction.size(), '0') + fraction;
  return digits;
}

std::string DecimalSpelling(const DecimalDigits& digits) {
  std::string text = digits.negative ? "-" : "";
  text += digits.integer.empty() ? "0" : digits.integer;
  if (!digits.fraction.empty()) text += "." + digits.fraction;
  return text;
}

}  // namespace ado
