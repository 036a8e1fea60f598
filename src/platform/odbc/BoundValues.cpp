#include "platform/odbc/BoundValues.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>
#include <variant>

#include "platform/odbc/OdbcApi.h"
#include "platform/odbc/WideText.h"

namespace odbc {

namespace {

// Past these sizes a value needs a long type: Oracle takes at most 4000 bytes of text and
// 2000 bytes of RAW as a plain bind, and a longer one reaches a CLOB or BLOB only when it
// is bound as long data.
constexpr std::size_t kPlainTextBytes = 4000;
constexpr std::size_t kPlainBinaryBytes = 2000;
constexpr int kFirstOracleYear = -4712;
constexpr int kLastOracleYear = 9999;

template <class T>
void AppendRaw(std::vector<std::uint8_t>& out, const T& value) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof value);
}

// An amount of ten-thousandths as decimal digits with its four places ("-12.3400").
std::string CurrencyDigits(std::int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  const std::uint64_t magnitude = negative ? std::uint64_t{0} - static_cast<std::uint64_t>(tenThousandths)
                                           : static_cast<std::uint64_t>(tenThousandths);
  std::string fraction = std::to_string(magnitude % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
}

SQL_TIMESTAMP_STRUCT Timestamp(const ado::Date& date, int hour, int minute, int second, int millisecond) {
  SQL_TIMESTAMP_STRUCT ts{};
  ts.year = static_cast<SQLSMALLINT>(date.year);
  ts.month = static_cast<SQLUSMALLINT>(date.month);
  ts.day = static_cast<SQLUSMALLINT>(date.day);
  ts.hour = static_cast<SQLUSMALLINT>(hour);
  ts.minute = static_cast<SQLUSMALLINT>(minute);
  ts.second = static_cast<SQLUSMALLINT>(second);
  ts.fraction = static_cast<SQLUINTEGER>(millisecond) * 1000000u;
  return ts;
}

// Digits before and after the point of a plain decimal text.
std::pair<SQLULEN, SQLSMALLINT> DigitsOf(const std::uint8_t* text, std::size_t size) {
  SQLULEN whole = 0;
  SQLSMALLINT scale = 0;
  bool afterPoint = false;
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(text[i]);
    if (c == '.') {
      afterPoint = true;
    } else if (c >= '0' && c <= '9') {
      afterPoint ? ++scale : ++whole;
    }
  }
  return {whole, scale};
}

}  // namespace

BoundKind BoundKindOf(const ado::Value& value) {
  return std::visit(
      [](const auto& v) {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, ado::Null>) return BoundKind::kNull;
        if constexpr (std::is_same_v<T, std::string>) return BoundKind::kText;
        if constexpr (std::is_same_v<T, ado::Decimal> || std::is_same_v<T, ado::Currency>) return BoundKind::kDecimal;
        if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, bool>) return BoundKind::kInteger;
        if constexpr (std::is_same_v<T, double>) return BoundKind::kDouble;
        if constexpr (std::is_same_v<T, ado::Date> || std::is_same_v<T, ado::DateTime>) return BoundKind::kTimestamp;
        if constexpr (std::is_same_v<T, ado::Bytes>) return BoundKind::kBytes;
      },
      value.Get());
}

void BoundValues::Stage(const ado::ValueRows& rows, std::size_t column) {
  const std::size_t count = rows.Rows();
  kinds_.resize(count);
  offsets_.resize(count + 1);
  textBytes_.assign(count, 0);
  staged_.clear();
  WideText units;
  for (std::size_t r = 0; r < count; ++r) {
    const ado::Value& value = rows.At(r, column);
    kinds_[r] = BoundKindOf(value);
    offsets_[r] = staged_.size();
    std::visit(
        [&](const auto& v) {
          using T = std::decay_t<decltype(v)>;
          if constexpr (std::is_same_v<T, std::string>) {
            units.clear();
            AppendWide(units, v);
            const auto* p = reinterpret_cast<const std::uint8_t*>(units.data());
            staged_.insert(staged_.end(), p, p + units.size() * sizeof(SQLWCHAR));
            textBytes_[r] = v.size();
          } else if constexpr (std::is_same_v<T, ado::Decimal>) {
            staged_.insert(staged_.end(), v.digits.begin(), v.digits.end());
          } else if constexpr (std::is_same_v<T, ado::Currency>) {
            const std::string digits = CurrencyDigits(v.tenThousandths);
            staged_.insert(staged_.end(), digits.begin(), digits.end());
          } else if constexpr (std::is_same_v<T, std::int64_t>) {
            AppendRaw(staged_, static_cast<SQLBIGINT>(v));
          } else if constexpr (std::is_same_v<T, bool>) {
            AppendRaw(staged_, static_cast<SQLBIGINT>(v ? 1 : 0));
          } else if constexpr (std::is_same_v<T, double>) {
            AppendRaw(staged_, static_cast<SQLDOUBLE>(v));
          } else if constexpr (std::is_same_v<T, ado::Date>) {
            AppendRaw(staged_, Timestamp(v, 0, 0, 0, 0));
          } else if constexpr (std::is_same_v<T, ado::DateTime>) {
            AppendRaw(staged_, Timestamp(v.date, v.hour, v.minute, v.second, v.millisecond));
          } else if constexpr (std::is_same_v<T, ado::Bytes>) {
            staged_.insert(staged_.end(), v.begin(), v.end());
          }
        },
        value.Get());
  }
  offsets_[count] = staged_.size();
}

bool BoundValues::OutsideOracleYears(std::size_t row) const {
  if (kinds_[row] != BoundKind::kTimestamp) return false;
  SQL_TIMESTAMP_STRUCT staged;
  std::memcpy(&staged, Staged(row), sizeof staged);
  return staged.year < kFirstOracleYear || staged.year > kLastOracleYear;
}

std::size_t BoundValues::ElementBytes(std::size_t row) const {
  switch (kinds_[row]) {
    case BoundKind::kText:
      return Size(row) + sizeof(SQLWCHAR);
    case BoundKind::kDecimal:
      return Size(row) + 1;
    default:
      return std::max<std::size_t>(Size(row), 1);
  }
}

BoundValues::Binding BoundValues::BindingOf(BoundKind kind, std::size_t first, std::size_t end) const {
  std::size_t longest = 0;  // bytes staged, or for text its UTF-8 bytes
  for (std::size_t r = first; r < end; ++r)
    longest = std::max(longest, kind == BoundKind::kText ? textBytes_[r] : Size(r));
  switch (kind) {
    case BoundKind::kText: {
      SQLULEN units = 1;
      for (std::size_t r = first; r < end; ++r) units = std::max<SQLULEN>(units, Size(r) / sizeof(SQLWCHAR));
      return {SQL_C_WCHAR, longest > kPlainTextBytes ? SQLSMALLINT{SQL_WLONGVARCHAR} : SQLSMALLINT{SQL_WVARCHAR}, units,
              0};
    }
    case BoundKind::kDecimal: {
      SQLULEN whole = 0;
      SQLSMALLINT scale = 0;
      for (std::size_t r = first; r < end; ++r) {
        const auto [w, s] = DigitsOf(Staged(r), Size(r));
        whole = std::max(whole, w);
        scale = std::max(scale, s);
      }
      return {SQL_C_CHAR, SQL_DECIMAL, std::max<SQLULEN>(whole + static_cast<SQLULEN>(scale), 1), scale};
    }
    case BoundKind::kInteger:
      return {SQL_C_SBIGINT, SQL_BIGINT, 19, 0};
    case BoundKind::kDouble:
      return {SQL_C_DOUBLE, SQL_DOUBLE, 15, 0};
    case BoundKind::kTimestamp:
      return {SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3};  // milliseconds
    case BoundKind::kBytes:
      return {SQL_C_BINARY, longest > kPlainBinaryBytes ? SQLSMALLINT{SQL_LONGVARBINARY} : SQLSMALLINT{SQL_VARBINARY},
              std::max<SQLULEN>(longest, 1), 0};
    case BoundKind::kNull:
      break;
  }
  return {SQL_C_CHAR, SQL_VARCHAR, 1, 0};  // nothing but Null
}

SQLRETURN BoundValues::Bind(SQLHSTMT stmt, SQLUSMALLINT number, std::size_t first, std::size_t end) {
  // Nulls alone go as the kind this column had before: a server may check a NULL's type
  // against its column (a text NULL into a BLOB).
  BoundKind kind = lastKind_;
  std::size_t width = 1;
  for (std::size_t r = first; r < end; ++r) {
    if (kinds_[r] != BoundKind::kNull) kind = kinds_[r];
    width = std::max(width, ElementBytes(r));
  }
  lastKind_ = kind;
  // The driver steps through an array of fixed-size C values by their size, whatever
  // the buffer length says.
  if (kind == BoundKind::kInteger) width = sizeof(SQLBIGINT);
  if (kind == BoundKind::kDouble) width = sizeof(SQLDOUBLE);
  if (kind == BoundKind::kTimestamp) width = sizeof(SQL_TIMESTAMP_STRUCT);
  const std::size_t count = end - first;
  bound_.assign(width * count, 0);
  indicators_.resize(count);
  for (std::size_t r = first; r < end; ++r) {
    const std::size_t size = Size(r);
    if (size != 0) std::memcpy(&bound_[(r - first) * width], Staged(r), size);
    indicators_[r - first] = kinds_[r] == BoundKind::kNull ? SQL_NULL_DATA : static_cast<SQLLEN>(size);
  }
  const Binding binding = BindingOf(kind, first, end);
  return SQLBindParameter(stmt, number, SQL_PARAM_INPUT, binding.cType, binding.sqlType, binding.columnSize,
                          binding.decimalDigits, bound_.data(), static_cast<SQLLEN>(width), indicators_.data());
}

}  // namespace odbc
