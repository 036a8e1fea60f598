#include "platform/odbc/OdbcRows.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/ado/Failure.h"
#include "platform/ado/Types.h"
#include "platform/odbc/Diagnostics.h"
#include "platform/odbc/Link.h"
#include "platform/odbc/OdbcApi.h"
#include "platform/odbc/TypeMap.h"
#include "platform/odbc/WideText.h"

namespace odbc {

namespace {

// Above these sizes a column is read whole with SQLGetData instead of being bound.
constexpr SQLULEN kLongTextChars = 4000;
constexpr SQLULEN kLongBinaryBytes = 8000;
// Bound buffers of one block stay below this, whatever the row width.
constexpr std::size_t kBlockBytes = 4 << 20;
constexpr SQLULEN kMaxBlockRows = 1000;
constexpr SQLLEN kDecimalChars = 200;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

}  // namespace

OdbcRows::OdbcRows(std::shared_ptr<Link> link, Handle stmt, Naming naming)
    : link_(std::move(link)), stmt_(std::move(stmt)) {
  link_->Attach(this);
  Describe(naming);
  Bind();
}

OdbcRows::~OdbcRows() {
  if (link_) link_->Detach(this);
}

void OdbcRows::Release() noexcept {
  stmt_.Free();
  done_ = true;
}

SQLHSTMT OdbcRows::Stmt() const {
  if (!stmt_) throw ado::Failure("Operation is not allowed when the object is closed.");
  return stmt_.Get();
}

void OdbcRows::Describe(Naming naming) {
  SQLHSTMT stmt = Stmt();
  SQLSMALLINT count = 0;
  Check(SQLNumResultCols(stmt, &count), SQL_HANDLE_STMT, stmt, "SQLNumResultCols");
  for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
    std::vector<SQLWCHAR> name(256);
    SQLSMALLINT nameLength = 0;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    SQLSMALLINT nullable = 0;
    Check(SQLDescribeColW(stmt, i, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size,
                          &digits, &nullable),
          SQL_HANDLE_STMT, stmt, "SQLDescribeCol");
    if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
      name.resize(static_cast<std::size_t>(nameLength) + 1);
      Check(SQLDescribeColW(stmt, i, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size,
                            &digits, &nullable),
            SQL_HANDLE_STMT, stmt, "SQLDescribeCol");
    }
    SQLLEN isUnsigned = SQL_FALSE;
    if (sqlType == SQL_TINYINT || sqlType == SQL_SMALLINT || sqlType == SQL_INTEGER || sqlType == SQL_BIGINT) {
      // A driver that does not say is taken to mean signed.
      const SQLRETURN ret = SQLColAttributeW(stmt, i, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned);
      if (!Succeeded(ret)) isUnsigned = SQL_FALSE;
    }

    ado::FieldInfo field;
    field.name = ToUtf8(name.data(), std::min<std::size_t>(static_cast<std::size_t>(nameLength), name.size()));
    field.type = AdoTypeOf(sqlType, isUnsigned == SQL_TRUE);
    if (naming == Naming::kSchemaRowset) {
      // The ODBC catalog names the columns its own way; the schema rowset uses OLE DB's.
      field.name = Upper(field.name);
      if (field.name == "TABLE_CAT") field.name = "TABLE_CATALOG";
      if (field.name == "TABLE_SCHEM") field.name = "TABLE_SCHEMA";
      if (field.name == "REMARKS") field.name = "DESCRIPTION";
    }
    fields_.push_back(std::move(field));

    Column column;
    switch (sqlType) {
      case SQL_CHAR:
      case SQL_VARCHAR:
      case SQL_WCHAR:
      case SQL_WVARCHAR:
        column.read = Read::kText;
        column.cType = SQL_C_WCHAR;
        column.isLong = size == 0 || size > kLongTextChars;
        // Room for a surrogate pair per character, and the terminator.
        column.elementBytes = static_cast<SQLLEN>((size * 2 + 1) * sizeof(SQLWCHAR));
        break;
      case SQL_GUID:
        column.read = Read::kText;
        column.cType = SQL_C_WCHAR;
        column.elementBytes = 64 * sizeof(SQLWCHAR);
        break;
      case SQL_DECIMAL:
      case SQL_NUMERIC:
        column.read = Read::kDecimal;
        column.cType = SQL_C_CHAR;
        column.elementBytes = kDecimalChars;
        break;
      case SQL_TINYINT:
      case SQL_SMALLINT:
      case SQL_INTEGER:
      case SQL_BIGINT:
        if (sqlType == SQL_BIGINT && isUnsigned == SQL_TRUE) {
          // Past the range of a signed 64-bit number: kept as exact digits.
          column.read = Read::kDecimal;
          column.cType = SQL_C_CHAR;
          column.elementBytes = kDecimalChars;
        } else {
          column.read = Read::kInteger;
          column.cType = SQL_C_SBIGINT;
          column.elementBytes = sizeof(SQLBIGINT);
        }
        break;
      case SQL_REAL:
        column.read = Read::kSingle;
        column.cType = SQL_C_FLOAT;
        column.elementBytes = sizeof(SQLREAL);
        break;
      case SQL_FLOAT:
      case SQL_DOUBLE:
        column.read = Read::kDouble;
        column.cType = SQL_C_DOUBLE;
        column.elementBytes = sizeof(SQLDOUBLE);
        break;
      case SQL_BIT:
        column.read = Read::kBit;
        column.cType = SQL_C_BIT;
        column.elementBytes = 1;
        break;
      case SQL_TYPE_DATE:
      case SQL_DATE:
        column.read = Read::kDate;
        column.cType = SQL_C_TYPE_DATE;
        column.elementBytes = sizeof(SQL_DATE_STRUCT);
        break;
      case SQL_TYPE_TIME:
      case SQL_TIME:
        column.read = Read::kTime;
        column.cType = SQL_C_TYPE_TIME;
        column.elementBytes = sizeof(SQL_TIME_STRUCT);
        break;
      case SQL_TYPE_TIMESTAMP:
      case SQL_TIMESTAMP:
        column.read = Read::kTimestamp;
        column.cType = SQL_C_TYPE_TIMESTAMP;
        column.elementBytes = sizeof(SQL_TIMESTAMP_STRUCT);
        break;
      case SQL_BINARY:
      case SQL_VARBINARY:
        column.read = Read::kBinary;
        column.cType = SQL_C_BINARY;
        column.isLong = size == 0 || size > kLongBinaryBytes;
        column.elementBytes = static_cast<SQLLEN>(std::max<SQLULEN>(size, 1));
        break;
      case SQL_LONGVARBINARY:
        column.read = Read::kBinary;
        column.cType = SQL_C_BINARY;
        column.isLong = true;
        break;
      default:  // long text, and any type without a better reading: its text, whole
        column.read = Read::kText;
        column.cType = SQL_C_WCHAR;
        column.isLong = true;
        break;
    }
    columns_.push_back(std::move(column));
  }
}

void OdbcRows::Bind() {
  if (columns_.empty()) {
    done_ = true;  // a statement without a result
    return;
  }
  if (std::any_of(columns_.begin(), columns_.end(), [](const Column& c) { return c.isLong; })) {
    return;  // row by row, every value through SQLGetData
  }
  SQLHSTMT stmt = Stmt();
  std::size_t rowBytes = 0;
  for (const Column& column : columns_) rowBytes += static_cast<std::size_t>(column.elementBytes) + sizeof(SQLLEN);
  SQLULEN block = std::clamp<SQLULEN>(kBlockBytes / std::max<std::size_t>(rowBytes, 1), 1, kMaxBlockRows);
  if (block > 1) {
    const SQLRETURN ret = SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(block), 0);
    if (!Succeeded(ret)) block = 1;  // no block cursors: one row per fetch still works
    if (ret == SQL_SUCCESS_WITH_INFO) {
      // The driver may have chosen another size (01S02).
      SQLULEN actual = block;
      if (Succeeded(SQLGetStmtAttrW(stmt, SQL_ATTR_ROW_ARRAY_SIZE, &actual, 0, nullptr))) block = actual;
    }
  }
  blockSize_ = block;
  rowStatus_.assign(block, 0);
  Check(SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0),
        SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
  Check(SQLSetStmtAttrW(stmt, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0), SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
  Check(SQLSetStmtAttrW(stmt, SQL_ATTR_ROW_STATUS_PTR, rowStatus_.data(), 0), SQL_HANDLE_STMT, stmt, "SQLSetStmtAttr");
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    Column& column = columns_[i];
    column.buffer.assign(static_cast<std::size_t>(column.elementBytes) * block, 0);
    column.indicators.assign(block, 0);
    Check(SQLBindCol(stmt, static_cast<SQLUSMALLINT>(i + 1), column.cType, column.buffer.data(), column.elementBytes,
                     column.indicators.data()),
          SQL_HANDLE_STMT, stmt, "SQLBindCol");
  }
  bound_ = true;
}

bool OdbcRows::FetchBlock() {
  SQLHSTMT stmt = Stmt();
  fetched_ = 0;
  const SQLRETURN ret = SQLFetch(stmt);
  if (ret == SQL_NO_DATA) return false;
  if (!Succeeded(ret)) {
    ThrowFailure(FailureText(ret, SQL_HANDLE_STMT, stmt, "SQLFetch"), link_ ? link_->dbc.Get() : SQL_NULL_HDBC);
  }
  if (!bound_) {
    fetched_ = 1;
  } else {
    for (SQLULEN r = 0; r < fetched_; ++r) {
      if (rowStatus_[r] == SQL_ROW_ERROR) ThrowFailure(FailureText(SQL_ERROR, SQL_HANDLE_STMT, stmt, "SQLFetch"));
    }
  }
  nextInBlock_ = 0;
  return fetched_ > 0;
}

bool OdbcRows::Next(std::vector<ado::Value>& row) {
  if (done_) {
    if (!stmt_ && !columns_.empty() && !link_->IsOpen()) {
      throw ado::Failure("Operation is not allowed when the object is closed.");
    }
    return false;
  }
  if (nextInBlock_ >= fetched_ && !FetchBlock()) {
    done_ = true;
    SQLFreeStmt(Stmt(), SQL_CLOSE);  // the result is used up; let the server drop its cursor now
    return false;
  }
  row.resize(columns_.size());
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (bound_) {
      Decode(c, static_cast<std::size_t>(nextInBlock_), row[c]);
    } else {
      ReadWhole(c, row[c]);
    }
  }
  ++nextInBlock_;
  return true;
}

void OdbcRows::Decode(std::size_t col, std::size_t rowInBlock, ado::Value& into) const {
  const Column& column = columns_[col];
  const SQLLEN indicator = column.indicators[rowInBlock];
  if (indicator == SQL_NULL_DATA) {
    into = ado::Value();
    return;
  }
  const std::uint8_t* p = column.buffer.data() + rowInBlock * static_cast<std::size_t>(column.elementBytes);
  const auto tooLong = [&](SQLLEN room) {
    if (indicator == SQL_NO_TOTAL || indicator > room) {
      throw ado::Failure("The value of field " + fields_[col].name + " is longer than the driver said it could be.");
    }
  };
  switch (column.read) {
    case Read::kText: {
      tooLong(column.elementBytes - static_cast<SQLLEN>(sizeof(SQLWCHAR)));
      into = ado::Value(
          ToUtf8(reinterpret_cast<const SQLWCHAR*>(p), static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR)));
      break;
    }
    case Read::kDecimal:
      tooLong(column.elementBytes - 1);
      into = ado::Value(ado::Decimal{
          PlainDecimal(std::string_view(reinterpret_cast<const char*>(p), static_cast<std::size_t>(indicator)))});
      break;
    case Read::kBinary:
      tooLong(column.elementBytes);
      into = ado::Value(ado::Bytes(p, p + indicator));
      break;
    default: {
      ado::Value value;
      switch (column.read) {
        case Read::kInteger: {
          SQLBIGINT n;
          std::memcpy(&n, p, sizeof n);
          value = ado::Value(static_cast<std::int64_t>(n));
          break;
        }
        case Read::kDouble: {
          SQLDOUBLE d;
          std::memcpy(&d, p, sizeof d);
          value = ado::Value(static_cast<double>(d));
          break;
        }
        case Read::kSingle: {
          SQLREAL f;
          std::memcpy(&f, p, sizeof f);
          value = ado::Value(WidenSingle(f));
          break;
        }
        case Read::kBit:
          value = ado::Value(*p != 0);
          break;
        case Read::kDate: {
          SQL_DATE_STRUCT d;
          std::memcpy(&d, p, sizeof d);
          value = ado::Value(ado::Date{d.year, d.month, d.day});
          break;
        }
        case Read::kTime: {
          SQL_TIME_STRUCT t;
          std::memcpy(&t, p, sizeof t);
          ado::DateTime dt;  // a time of day alone sits on the zero date, as in ADO
          dt.hour = t.hour;
          dt.minute = t.minute;
          dt.second = t.second;
          value = ado::Value(dt);
          break;
        }
        case Read::kTimestamp: {
          SQL_TIMESTAMP_STRUCT ts;
          std::memcpy(&ts, p, sizeof ts);
          ado::DateTime dt;
          dt.date = ado::Date{ts.year, ts.month, ts.day};
          dt.hour = ts.hour;
          dt.minute = ts.minute;
          dt.second = ts.second;
          dt.millisecond = static_cast<int>(ts.fraction / 1000000);
          value = ado::Value(dt);
          break;
        }
        default:
          break;
      }
      into = std::move(value);
      break;
    }
  }
}

void OdbcRows::ReadWhole(std::size_t col, ado::Value& into) {
  Column& column = columns_[col];
  switch (column.read) {
    case Read::kText:
      ReadLongData(col, SQL_C_WCHAR, sizeof(SQLWCHAR), into);
      return;
    case Read::kBinary:
      ReadLongData(col, SQL_C_BINARY, 0, into);
      return;
    case Read::kDecimal:
      ReadLongData(col, SQL_C_CHAR, 1, into);
      if (into.Is<std::string>()) into = ado::Value(ado::Decimal{PlainDecimal(into.As<std::string>())});
      return;
    default: {
      // A fixed-size value: read into a one-row buffer and decode it like a bound one.
      SQLHSTMT stmt = Stmt();
      column.buffer.assign(static_cast<std::size_t>(column.elementBytes), 0);
      column.indicators.assign(1, 0);
      Check(SQLGetData(stmt, static_cast<SQLUSMALLINT>(col + 1), column.cType, column.buffer.data(),
                       column.elementBytes, column.indicators.data()),
            SQL_HANDLE_STMT, stmt, "SQLGetData");
      Decode(col, 0, into);
      return;
    }
  }
}

void OdbcRows::ReadLongData(std::size_t col, SQLSMALLINT cType, std::size_t terminator, ado::Value& into) {
  SQLHSTMT stmt = Stmt();
  if (scratch_.size() < 65536) scratch_.resize(65536);
  // Most values fit the first read: they are taken from the scratch buffer as they are,
  // without gathering them into a buffer of their own first.
  std::vector<std::uint8_t> data;
  const std::uint8_t* whole = nullptr;
  std::size_t wholeSize = 0;
  for (bool first = true;; first = false) {
    SQLLEN indicator = 0;
    const SQLRETURN ret = SQLGetData(stmt, static_cast<SQLUSMALLINT>(col + 1), cType, scratch_.data(),
                                     static_cast<SQLLEN>(scratch_.size()), &indicator);
    if (ret == SQL_NO_DATA) break;  // everything was read by the calls before
    Check(ret, SQL_HANDLE_STMT, stmt, "SQLGetData");
    if (indicator == SQL_NULL_DATA) {
      into = ado::Value();
      return;
    }
    const std::size_t room = scratch_.size() - terminator;
    const bool more =
        ret == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room);
    const std::size_t got = more ? room : static_cast<std::size_t>(indicator);
    if (first && !more) {
      whole = scratch_.data();
      wholeSize = got;
      break;
    }
    data.insert(data.end(), scratch_.begin(), scratch_.begin() + static_cast<std::ptrdiff_t>(got));
    if (!more) break;
    if (indicator != SQL_NO_TOTAL) {
      // The driver told the whole size: fetch the rest in one more call.
      const std::size_t rest = static_cast<std::size_t>(indicator) - room + terminator;
      if (rest > scratch_.size()) scratch_.resize(rest + (rest & 1));
    }
  }
  if (whole == nullptr) {
    whole = data.data();
    wholeSize = data.size();
  }
  if (cType == SQL_C_BINARY) {
    into = ado::Value(whole == data.data() ? std::move(data) : ado::Bytes(whole, whole + wholeSize));
  } else if (cType == SQL_C_WCHAR) {
    // Both buffers come from the allocator, aligned for the driver's UTF-16 units.
    into = ado::Value(ToUtf8(reinterpret_cast<const SQLWCHAR*>(whole), wholeSize / sizeof(SQLWCHAR)));
  } else {
    into = ado::Value(std::string(reinterpret_cast<const char*>(whole), wholeSize));
  }
  if (scratch_.size() > (1 << 20)) {
    scratch_.resize(65536);  // a huge value should not keep its buffer for the rest of the rows
    scratch_.shrink_to_fit();
  }
}

}  // namespace odbc
