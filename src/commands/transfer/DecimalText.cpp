#include "commands/transfer/DecimalText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "platform/ado/Provider.h"

namespace transfer {
namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool FitsInt32(const DecimalDigits& digits) {
  if (!digits.fraction.empty() || digits.integer.size() > 10) return false;
  const std::int64_t magnitude = digits.integer.empty() ? 0 : std::stoll(digits.integer);
  return magnitude <= 2147483647LL;  // FoxPro's I holds -2147483647 to 2147483647
}

bool IsExactDouble(const DecimalDigits& digits) {
  const std::string spelling = DecimalSpelling(digits);
  double value = 0;
  const auto [end, error] = std::from_chars(spelling.data(), spelling.data() + spelling.size(), value);
  if (error != std::errc() || !std::isfinite(value)) return false;
  return ParseDecimal(ado::ShortestDouble(value, '.')) == digits;
}

}  // namespace

std::optional<DecimalDigits> ParseDecimal(std::string_view text) {
  std::optional<DecimalDigits> digits = ado::ParseDecimalDigits(Trimmed(text));
  if (!digits) return std::nullopt;
  digits->fraction.erase(digits->fraction.find_last_not_of('0') + 1);
  if (digits->integer.empty() && digits->fraction.empty()) digits->negative = false;
  return digits;
}

std::optional<DecimalDigits> DecimalOf(const ado::Value& value) {
  if (value.Is<ado::Decimal>()) return ParseDecimal(value.As<ado::Decimal>().digits);
  if (value.Is<std::string>()) return ParseDecimal(value.As<std::string>());
  if (value.Is<std::int64_t>()) return ParseDecimal(std::to_string(value.As<std::int64_t>()));
  if (value.Is<double>()) return ParseDecimal(ado::ShortestDouble(value.As<double>(), '.'));
  if (value.Is<bool>()) return ParseDecimal(value.As<bool>() ? "1" : "0");
  if (value.Is<ado::Currency>())
    return ParseDecimal(ado::DecimalSpelling(ado::CurrencyDigits(value.As<ado::Currency>())));
  return std::nullopt;
}

void NumberFieldScan::Add(const ado::Value& value) {
  if (value.IsNull()) return;
  const std::optional<DecimalDigits> digits = DecimalOf(value);
  if (!digits) {
    // Not a number at all (NaN, Infinity): only its text keeps it.
    m_allInt32 = m_allDoubles = false;
    m_integerDigits = 99;
    m_longestSpelling = std::max(m_longestSpelling, static_cast<int>(ado::ValueToText(value).size()));
    return;
  }
  m_allInt32 = m_allInt32 && FitsInt32(*digits);
  m_allDoubles = m_allDoubles && IsExactDouble(*digits);
  m_anyNegative = m_anyNegative || digits->negative;
  m_integerDigits = std::max(m_integerDigits, static_cast<int>(digits->integer.size()));
  m_decimals = std::max(m_decimals, static_cast<int>(digits->fraction.size()));
  m_longestSpelling = std::max(m_longestSpelling, static_cast<int>(DecimalSpelling(*digits).size()));
}

ado::DeclaredField NumberFieldScan::Narrowest() const {
  ado::DeclaredField field;
  field.nullable = true;
  const int width = std::max(m_integerDigits, 1) + (m_decimals > 0 ? m_decimals + 1 : 0) + (m_anyNegative ? 1 : 0);
  if (m_allInt32) {
    field.typeLetter = 'I';
  } else if (width <= 20) {
    field.typeLetter = 'N';
    field.width = width;
    field.decimals = m_decimals;
  } else if (m_allDoubles) {
    field.typeLetter = 'B';
    field.decimals = std::min(m_decimals, 18);
  } else {
    field.typeLetter = 'C';
    field.width = std::min(m_longestSpelling, 254);
  }
  return field;
}

}  // namespace transfer
