#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ado/Provider.h"
#include "platform/odbc/OdbcApi.h"

namespace odbc {

// How a value travels as a bound parameter. Values of one kind share a C type, so one
// parameter array can carry them; Null goes with any kind.
enum class BoundKind : std::uint8_t { kNull, kText, kDecimal, kInteger, kDouble, kTimestamp, kBytes };

BoundKind BoundKindOf(const ado::Value& value);

// One column of typed parameter values: each row's value staged once in its C form
// (UTF-16 text, decimal digits, SQLBIGINT, SQLDOUBLE, SQL_TIMESTAMP_STRUCT, bytes), then
// bound for any run of rows as a column-wise array of fixed-width elements.
class BoundValues {
 public:
  void Stage(const ado::ValueRows& rows, std::size_t column);
  BoundKind Kind(std::size_t row) const { return kinds_[row]; }
  /// Whether the row's value is a date or time in a year Oracle cannot hold (it holds
  /// -4712 to 9999; a server standing in for it may take more).
  bool OutsideOracleYears(std::size_t row) const;
  /// Bytes the row's value takes as an array element, terminator included.
  std::size_t ElementBytes(std::size_t row) const;
  /// Binds rows [first, end) as parameter number. All of them are Null or of one kind;
  /// rows of nothing but Null take the kind of the last rows bound, else text.
  SQLRETURN Bind(SQLHSTMT stmt, SQLUSMALLINT number, std::size_t first, std::size_t end);

 private:
  struct Binding {
    SQLSMALLINT cType;
    SQLSMALLINT sqlType;
    SQLULEN columnSize;
    SQLSMALLINT decimalDigits;
  };
  Binding BindingOf(BoundKind kind, std::size_t first, std::size_t end) const;
  std::size_t Size(std::size_t row) const { return offsets_[row + 1] - offsets_[row]; }
  const std::uint8_t* Staged(std::size_t row) const { return staged_.data() + offsets_[row]; }

  std::vector<BoundKind> kinds_;
  BoundKind lastKind_ = BoundKind::kNull;
  std::vector<std::uint8_t> staged_;    // every row's C form, back to back
  std::vector<std::size_t> offsets_;    // where each row's C form starts in staged_
  std::vector<std::size_t> textBytes_;  // a text's size as UTF-8 (what the server counts)
  std::vector<std::uint8_t> bound_;
  std::vector<SQLLEN> indicators_;
};

}  // namespace odbc
