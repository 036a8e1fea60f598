#include "commands/transfer/TypedValues.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <optional>

#include "commands/transfer/DecimalText.h"
#include "commands/transfer/ListHelpers.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/FieldTypes.h"

namespace transfer {
namespace {

constexpr std::size_t kShownValueLength = 60;

std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t k = at; k < at + count; ++k) {
    if (text[k] < '0' || text[k] > '9') return std::nullopt;
    value = value * 10 + (text[k] - '0');
  }
  return value;
}

// An amount in ten-thousandths, when it has at most four decimals and fits 64 bits.
std::optional<ado::Value> CurrencyOf(const DecimalDigits& digits) {
  if (digits.fraction.size() > 4 || digits.integer.size() > 15) return std::nullopt;
  const std::string scaled =
      (digits.integer.empty() ? "0" : digits.integer) + digits.fraction + std::string(4 - digits.fraction.size(), '0');
  std::uint64_t magnitude = 0;
  std::from_chars(scaled.data(), scaled.data() + scaled.size(), magnitude);
  const std::uint64_t limit = digits.negative ? 9223372036854775808ULL : 9223372036854775807ULL;
  if (magnitude > limit) return std::nullopt;
  const std::int64_t amount =
      digits.negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  return ado::Value(ado::Currency{amount});
}

ado::Value NumberAs(const ado::Value& value, char type) {
  const std::optional<DecimalDigits> digits = DecimalOf(value);
  if (!digits) return value;  // not a number: the target says why it refuses it
  const std::string spelling = DecimalSpelling(*digits);
  switch (type) {
    case 'I':
      if (digits->fraction.empty() && digits->integer.size() <= 10)
        return ado::Value(static_cast<std::int64_t>(std::stoll(spelling)));
      return ado::Decimal{spelling};
    case 'B': {
      double number = 0;
      std::from_chars(spelling.data(), spelling.data() + spelling.size(), number);
      return number;
    }
    case 'C':
    case 'V':
    case 'M':
      return spelling;
    case 'L':
      return value.Is<bool>() ? value : ado::Value(spelling != "0");
    case 'Y':
      return CurrencyOf(*digits).value_or(ado::Value(ado::Decimal{spelling}));
    default:
      return ado::Decimal{spelling};
  }
}

std::string ShownValue(const ado::Value& value) {
  if (value.IsNull()) return "NULL";
  std::string text;
  if (value.Is<ado::Bytes>()) {
    ado::AppendHexText(text, value.As<ado::Bytes>());
  } else {
    text = ado::ValueToText(value);
  }
  // A NUL would end the report where it is shown.
  for (std::size_t at = text.find('\0'); at != std::string::npos; at = text.find('\0', at + 2))
    text.replace(at, 1, "\\0");
  if (text.size() > kShownValueLength) text = text.substr(0, kShownValueLength) + "...";
  return "'" + text + "'";
}

bool NamesColumn(const std::string& message, const std::string& column) {
  const std::string lowerMessage = LowerCase(message);
  const std::string lowerColumn = LowerCase(column);
  for (std::size_t at = lowerMessage.find(lowerColumn); at != std::string::npos;
       at = lowerMessage.find(lowerColumn, at + 1)) {
    const auto isNamePart = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    const std::size_t end = at + lowerColumn.size();
    if ((at == 0 || !isNamePart(lowerMessage[at - 1])) &&
        (end >= lowerMessage.size() || !isNamePart(lowerMessage[end])))
      return true;
  }
  return false;
}

// The column a refusal names by its place ("Parameter 3 holds ..."), 0-based.
std::optional<std::size_t> ParameterNamed(const std::string& message) {
  const std::string_view lead = "Parameter ";
  if (message.rfind(lead, 0) != 0) return std::nullopt;
  std::size_t number = 0;
  const char* end = message.data() + message.size();
  const auto [next, error] = std::from_chars(message.data() + lead.size(), end, number);
  if (error != std::errc{} || number == 0) return std::nullopt;
  return number - 1;
}

}  // namespace

ado::Value OracleBoundValue(const ado::Value& value, const ado::DeclaredField& field) {
  if (field.typeLetter == 'C' && value.Is<std::string>()) {
    const std::string& text = value.As<std::string>();
    return text.substr(0, text.find_last_not_of(' ') + 1);
  }
  if (value.Is<ado::DateTime>()) return foxpro::WholeSecondOfNoise(value.As<ado::DateTime>());
  return value;
}

bool HoldsNul(const ado::Value& value) {
  return value.Is<std::string>() && value.As<std::string>().find('\0') != std::string::npos;
}

std::optional<ado::DateTime> ParseTimestampText(std::string_view text, bool& truncated) {
  // YYYY-MM-DD HH:MI:SS[.ffffff]
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second || text[4] != '-' || text[7] != '-') return std::nullopt;
  int micro = 0;
  if (text.size() > 20 && text[19] == '.') {
    std::string fraction(text.substr(20, 6));
    fraction.append(6 - fraction.size(), '0');
    const auto digits = Digits(fraction, 0, 6);
    if (!digits) return std::nullopt;
    micro = *digits;
  }
  const ado::Date date{*year, *month, *day};
  if (!std::chrono::year_month_day{std::chrono::year(date.year), std::chrono::month(static_cast<unsigned>(date.month)),
                                   std::chrono::day(static_cast<unsigned>(date.day))}
           .ok() ||
      *hour > 23 || *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  // Toward the past: rounding up could carry the value into the next second, day or year.
  truncated = micro % 1000 != 0;
  return ado::DateTime{date, *hour, *minute, *second, micro / 1000};
}

ado::Value FoxProBoundValue(const ado::Value& value, const ado::DeclaredField& field, long& roundedFractions) {
  // The common kinds that are the field's own already go as they are, unparsed.
  const char type = field.typeLetter;
  // A field without NULL whose blanks Oracle held as NULL (its column comment says NOT NULL):
  // the empty text leaves the field blank, as it was.
  if (value.IsNull() && !field.nullable) return std::string();
  if (value.IsNull() || ((type == 'N' || type == 'F') && value.Is<ado::Decimal>()) ||
      (type == 'B' && value.Is<double>()) || (type == 'I' && value.Is<std::int64_t>()) ||
      (foxpro::IsTextType(type) && value.Is<std::string>()) || (type == 'T' && value.Is<ado::DateTime>())) {
    return value;
  }
  // A logical column arrives as NUMBER(1) holding 0 or 1: no need to parse those digits.
  if (type == 'L' && value.Is<ado::Decimal>()) {
    const std::string& digits = value.As<ado::Decimal>().digits;
    if (digits == "0" || digits == "1") return digits == "1";
  }
  switch (field.typeLetter) {
    case 'T':
    case 'D':
      if (value.Is<std::string>()) {
        bool truncated = false;
        if (const std::optional<ado::DateTime> time = ParseTimestampText(value.As<std::string>(), truncated)) {
          if (truncated) ++roundedFractions;
          if (field.typeLetter == 'D') return time->date;
          return *time;
        }
      }
      if (field.typeLetter == 'D' && value.Is<ado::DateTime>()) return value.As<ado::DateTime>().date;
      return value;
    case 'I':
    case 'N':
    case 'F':
    case 'B':
    case 'Y':
    case 'L':
      return NumberAs(value, field.typeLetter);
    case 'C':
    case 'V':
    case 'M':
      if (value.Is<ado::Decimal>() || value.Is<double>()) return NumberAs(value, field.typeLetter);
      if (!value.Is<std::string>() && !value.Is<ado::Bytes>()) return ado::ValueToText(value);
      return value;
    default:
      return value;
  }
}

std::string RefusedRowText(const std::string& table, long row, const std::string& message,
                           const std::vector<std::string>& columns, const std::vector<ado::Value>& values) {
  std::string text = "Table " + table + ", row " + std::to_string(row) + " was refused: " + message;
  std::string named;
  const std::optional<std::size_t> parameter = ParameterNamed(message);
  for (std::size_t c = 0; c < columns.size() && c < values.size(); ++c) {
    if (parameter ? *parameter == c : NamesColumn(message, columns[c]))
      named += "\nColumn " + columns[c] + ", value " + ShownValue(values[c]);
  }
  if (named.empty()) {
    for (std::size_t c = 0; c < columns.size() && c < values.size(); ++c) {
      named += (c == 0 ? "\nValues: " : ", ") + columns[c] + " = " + ShownValue(values[c]);
    }
  }
  return text + named;
}

}  // namespace transfer
