#include "cli/Verification.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>

#include "commands/transfer/DecimalText.h"
#include "commands/transfer/OracleValues.h"
#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TypedTables.h"
#include "commands/transfer/TypedValues.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/tables/Calendar.h"

namespace cli {
namespace {

// A plain decimal number ("-12.50", "3e5"), spelt with the locale's separator; no hex,
// "inf" or "nan", so that texts that only strtod would call numbers stay texts.
bool AsNumber(std::string text, double& number) {
  const char separator = ado::CurrentTextLocale().decimalSeparator;
  std::replace(text.begin(), text.end(), separator, '.');
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = false;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, digits = true;
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t exponent = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    if (i == exponent) return false;
  }
  if (i != text.size()) return false;
  number = std::strtod(text.c_str(), nullptr);
  return true;
}

std::string WithoutTrailingBlanks(std::string text) {
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

}  // namespace

std::string ShownText(Direction direction, const ado::Value& value) {
  // To Oracle a byte array travels as hex digits; the same spelling on both sides.
  return direction == Direction::ToOracle ? transfer::OracleValueText(value) : ado::ValueToText(value);
}

// Every digit of a number: a double's 17 places would let a 20-digit number pass for another.
std::string NumberKey(const transfer::DecimalDigits& digits) {
  return "\x1E" + transfer::DecimalSpelling(digits);  // cannot clash with a text
}

std::string ComparedValue(Direction direction, const ado::Value& value) {
  std::string text = ShownText(direction, value);
  if (direction == Direction::ToFoxPro) text = WithoutTrailingBlanks(std::move(text));
  double number = 0;
  if (!AsNumber(text, number)) return text;
  std::replace(text.begin(), text.end(), ado::CurrentTextLocale().decimalSeparator, '.');
  const std::optional<transfer::DecimalDigits> digits = transfer::ParseDecimal(text);
  return digits ? NumberKey(*digits) : text;
}

std::string TimeKey(const ado::DateTime& time) {
  char spelt[40];
  std::snprintf(spelt, sizeof spelt, "\x1D%04d-%02d-%02d %02d:%02d:%02d.%03d", time.date.year, time.date.month,
                time.date.day, time.hour, time.minute, time.second, time.millisecond);
  return spelt;
}

namespace {

// What a typed copy made of a column's kind: an Oracle number too wide for a FoxPro number
// arrives as the text of its digits, and an Oracle time is read as text to the microsecond.
struct ColumnKinds {
  bool numbersAsText = false;
  bool timesAsText = false;
};

bool IsNumber(const ado::Value& value) {
  return !value.Is<std::string>() && !value.Is<bool>() && transfer::DecimalOf(value).has_value();
}

bool IsTime(const ado::Value& value) { return value.Is<ado::Date>() || value.Is<ado::DateTime>(); }

// A time read as text, as FoxPro stores it (cut to the millisecond); cut tells whether that
// changed it.
std::optional<ado::DateTime> StoredTime(const ado::Value& value, bool& cut) {
  cut = false;
  return value.Is<std::string>() ? transfer::ParseTimestampText(value.As<std::string>(), cut) : std::nullopt;
}

// A value as the typed copy keeps it, spelt so that equal values spell alike.
std::string TypedComparedValue(const ado::Value& value, ColumnKinds kinds = {}) {
  if (value.IsNull()) return {};
  if (value.Is<std::string>()) {
    bool cut = false;
    if (kinds.timesAsText) {
      if (const std::optional<ado::DateTime> time = StoredTime(value, cut)) return TimeKey(*time);
    }
    if (kinds.numbersAsText) {
      if (const std::optional<transfer::DecimalDigits> digits = transfer::ParseDecimal(value.As<std::string>()))
        return NumberKey(*digits);
    }
    return WithoutTrailingBlanks(value.As<std::string>());
  }
  if (value.Is<ado::Date>()) return TimeKey(ado::DateTime{value.As<ado::Date>()});
  if (value.Is<ado::DateTime>()) return TimeKey(foxpro::WholeSecondOfNoise(value.As<ado::DateTime>()));
  if (value.Is<ado::Bytes>()) {
    std::string hex = "\x1C";
    ado::AppendHexText(hex, value.As<ado::Bytes>());
    return hex;
  }
  if (const std::optional<transfer::DecimalDigits> digits = transfer::DecimalOf(value)) return NumberKey(*digits);
  return ado::ValueToText(value);
}

std::string Key(Direction direction, const ado::Value& value, bool typed, ColumnKinds kinds = {}) {
  return typed ? TypedComparedValue(value, kinds) : ComparedValue(direction, value);
}

// Per column, the kinds a typed copy turned into others, seen from the values of both sides.
std::vector<ColumnKinds> KindsOf(const Rows& source, const Rows& target) {
  std::vector<ColumnKinds> kinds;
  std::vector<bool> texts, numbers, times;
  for (const Rows* side : {&source, &target}) {
    for (const std::vector<ado::Value>& row : *side) {
      if (row.size() > kinds.size()) {
        kinds.resize(row.size());
        texts.resize(row.size());
        numbers.resize(row.size());
        times.resize(row.size());
      }
      for (std::size_t c = 0; c < row.size(); ++c) {
        texts[c] = texts[c] || row[c].Is<std::string>();
        numbers[c] = numbers[c] || IsNumber(row[c]);
        times[c] = times[c] || IsTime(row[c]);
      }
    }
  }
  for (std::size_t c = 0; c < kinds.size(); ++c) kinds[c] = {texts[c] && numbers[c], texts[c] && times[c]};
  return kinds;
}

}  // namespace

bool SameValue(Direction direction, const ado::Value& source, const ado::Value& target, bool typed) {
  // Null and empty text are one value on both ways: "" reads back as NULL and NULL as "".
  return Key(direction, source, typed) == Key(direction, target, typed);
}

TableComparison CompareRows(Direction direction, const std::string& table, const std::vector<std::string>& columns,
                            const Rows& source, const Rows& target, const std::vector<long>& skipped, std::size_t keep,
                            bool typed) {
  TableComparison result;
  const std::vector<ColumnKinds> kinds = typed ? KindsOf(source, target) : std::vector<ColumnKinds>{};
  const auto kindsOf = [&](std::size_t column) { return column < kinds.size() ? kinds[column] : ColumnKinds{}; };
  const auto show = [&](long row, std::size_t column, const ado::Value* before, const ado::Value* after, bool rounded) {
    if (result.differences.size() >= keep) return;
    result.differences.push_back({table, column < columns.size() ? columns[column] : std::to_string(column + 1),
                                  before != nullptr ? ShownText(direction, *before) : "(no row)",
                                  after != nullptr ? ShownText(direction, *after) : "(no row)", row + 1, rounded});
  };
  // A value the copy cut to what the target holds arrived as the rule says, but not as it was.
  const auto roundedByRule = [&](long row, std::size_t column, const ado::Value& before, const ado::Value& after) {
    bool cut = false;
    const bool noise = before.Is<ado::DateTime>() &&
                       !(foxpro::WholeSecondOfNoise(before.As<ado::DateTime>()) == before.As<ado::DateTime>());
    if (!noise && (!kindsOf(column).timesAsText || !StoredTime(before, cut) || !cut)) return;
    ++result.rounded;
    show(row, column, &before, &after, true);
  };
  const auto note = [&](long row, std::size_t column, const ado::Value* before, const ado::Value* after) {
    ++result.compared;
    if (before != nullptr && after != nullptr &&
        Key(direction, *before, typed, kindsOf(column)) == Key(direction, *after, typed, kindsOf(column))) {
      roundedByRule(row, column, *before, *after);
      return;
    }
    ++result.differing;
    show(row, column, before, after, false);
  };
  const auto rowKey = [&](const std::vector<ado::Value>& row) {
    std::string key;
    for (std::size_t c = 0; c < row.size(); ++c)
      key.append(Key(direction, row[c], typed, kindsOf(c))).push_back('\x1F');
    return key;
  };
  // A table keeps no row order, so each source row first looks for an equal target row;
  // the rows left over on both sides are then paired in the order they came.
  std::multimap<std::string, std::size_t> unmatched;
  for (std::size_t t = 0; t < target.size(); ++t) unmatched.emplace(rowKey(target[t]), t);
  std::vector<std::size_t> lost;
  std::size_t skip = 0;
  for (std::size_t r = 0; r < source.size(); ++r) {
    if (skip < skipped.size() && skipped[skip] == static_cast<long>(r)) {
      ++skip;
      continue;
    }
    const auto found = unmatched.find(rowKey(source[r]));
    if (found == unmatched.end()) {
      lost.push_back(r);
      continue;
    }
    result.compared += static_cast<long>(source[r].size());
    for (std::size_t c = 0; c < source[r].size() && c < target[found->second].size(); ++c)
      roundedByRule(static_cast<long>(r), c, source[r][c], target[found->second][c]);
    unmatched.erase(found);
  }
  std::vector<std::size_t> leftover;
  for (const auto& [key, t] : unmatched) leftover.push_back(t);
  std::sort(leftover.begin(), leftover.end());
  std::size_t next = 0;
  for (const std::size_t r : lost) {
    const std::vector<ado::Value>* counterpart = next < leftover.size() ? &target[leftover[next++]] : nullptr;
    const std::size_t width = std::max(source[r].size(), counterpart != nullptr ? counterpart->size() : 0);
    for (std::size_t c = 0; c < width; ++c) {
      const ado::Value* before = c < source[r].size() ? &source[r][c] : nullptr;
      const ado::Value* after = counterpart != nullptr && c < counterpart->size() ? &(*counterpart)[c] : nullptr;
      note(static_cast<long>(r), c, before, after);
    }
  }
  for (; next < leftover.size(); ++next) {
    for (std::size_t c = 0; c < target[leftover[next]].size(); ++c) {
      note(static_cast<long>(source.size() + next), c, nullptr, &target[leftover[next]][c]);
    }
  }
  return result;
}

std::string SourceSelect(Direction direction, const std::string& table, const std::string& oracleConnectionString,
                         bool typed) {
  if (direction == Direction::ToOracle) return "SELECT * FROM `" + table + "`";
  if (!typed) return "SELECT * FROM " + transfer::Quoted(table);
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(oracleConnectionString);
  const std::string select = transfer::OracleSelectStatement(table, transfer::MapOracleTable(oracle, table, true));
  oracle.Close();
  return select;
}

Rows ReadRows(const std::string& connectionString, const std::string& select, std::vector<std::string>* columns,
              int unmarkedCodePage) {
  ado::Connection connection;
  connection.CursorLocation = ado::adUseClient;
  connection.UnmarkedCodePage = unmarkedCodePage;
  connection.Open(connectionString);
  ado::Recordset records;
  records.Open(select, connection, ado::adOpenStatic, ado::adLockReadOnly);
  if (columns != nullptr) {
    columns->clear();
    for (int f = 0; f < records.FieldCount(); ++f) columns->push_back(records.Fields(f).Name);
  }
  Rows rows;
  while (!records.Eof()) {
    std::vector<ado::Value> row;
    row.reserve(static_cast<std::size_t>(records.FieldCount()));
    for (int f = 0; f < records.FieldCount(); ++f) row.push_back(records.Fields(f).Value.AsValue());
    rows.push_back(std::move(row));
    records.MoveNext();
  }
  records.Close();
  connection.Close();
  return rows;
}

}  // namespace cli
