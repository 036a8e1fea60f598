#include "cli/Verification.h"

#include <algorithm>
#include <cstdlib>

#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "transfer/OracleValues.h"

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

bool SameValue(Direction direction, const ado::Value& source, const ado::Value& target) {
  std::string sourceText = ShownText(direction, source);
  std::string targetText = ShownText(direction, target);
  if (direction == Direction::ToFoxPro) {
    sourceText = WithoutTrailingBlanks(std::move(sourceText));
    targetText = WithoutTrailingBlanks(std::move(targetText));
  }
  // Null and empty text are one value on both ways: "" reads back as NULL and NULL as "".
  if (sourceText == targetText) return true;
  double a = 0;
  double b = 0;
  return AsNumber(sourceText, a) && AsNumber(targetText, b) && a == b;
}

TableComparison CompareRows(Direction direction, const std::string& table, const std::vector<std::string>& columns,
                            const Rows& source, const Rows& target, const std::vector<long>& skipped,
                            std::size_t keep) {
  TableComparison result;
  const auto note = [&](long row, std::size_t column, const ado::Value* before, const ado::Value* after) {
    ++result.compared;
    if (before != nullptr && after != nullptr && SameValue(direction, *before, *after)) return;
    ++result.differing;
    if (result.differences.size() >= keep) return;
    result.differences.push_back({table, column < columns.size() ? columns[column] : std::to_string(column + 1),
                                  before != nullptr ? ShownText(direction, *before) : "(no row)",
                                  after != nullptr ? ShownText(direction, *after) : "(no row)", row + 1});
  };
  std::size_t next = 0;  // the next target row
  std::size_t skip = 0;
  for (std::size_t r = 0; r < source.size(); ++r) {
    if (skip < skipped.size() && skipped[skip] == static_cast<long>(r)) {
      ++skip;
      continue;
    }
    const std::vector<ado::Value>* counterpart = next < target.size() ? &target[next++] : nullptr;
    const std::size_t width = std::max(source[r].size(), counterpart != nullptr ? counterpart->size() : 0);
    for (std::size_t c = 0; c < width; ++c) {
      const ado::Value* before = c < source[r].size() ? &source[r][c] : nullptr;
      const ado::Value* after = counterpart != nullptr && c < counterpart->size() ? &(*counterpart)[c] : nullptr;
      note(static_cast<long>(r), c, before, after);
    }
  }
  for (; next < target.size(); ++next) {
    for (std::size_t c = 0; c < target[next].size(); ++c) {
      note(static_cast<long>(source.size() + next), c, nullptr, &target[next][c]);
    }
  }
  return result;
}

Rows ReadRows(const std::string& connectionString, const std::string& select, std::vector<std::string>* columns) {
  ado::Connection connection;
  connection.CursorLocation = ado::adUseClient;
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
