#include "platform/odbc/OdbcArrays.h"

#include <algorithm>
#include <cstring>

#include "platform/ado/Failure.h"
#include "platform/odbc/Diagnostics.h"

namespace odbc {

namespace {

// Bound buffers of one array stay below this (bytes): a column of long values makes its
// arrays shorter instead of making every element as wide as the longest value.
constexpr std::size_t kArrayBytes = 8u << 20;

bool RowArrived(SQLUSMALLINT status) { return status == SQL_PARAM_SUCCESS || status == SQL_PARAM_SUCCESS_WITH_INFO; }

}  // namespace

std::unique_ptr<OdbcArrays> OdbcArrays::Prepare(std::shared_ptr<Link> link, const std::string& sql,
                                                std::size_t markers) {
  Link& active = link->Active();
  Handle stmt(SQL_HANDLE_STMT, active.dbc.Get());
  active.SetQueryTimeout(stmt.Get());
  WideText text = ToWide(sql);
  if (!Succeeded(SQLPrepareW(stmt.Get(), text.data(), Length(text)))) return nullptr;
  return std::unique_ptr<OdbcArrays>(new OdbcArrays(std::move(link), std::move(stmt), markers));
}

OdbcArrays::OdbcArrays(std::shared_ptr<Link> link, Handle stmt, std::size_t markers)
    : link_(std::move(link)), stmt_(std::move(stmt)), markers_(markers), columns_(markers) {
  link_->Attach(this);
}

OdbcArrays::~OdbcArrays() {
  if (link_) link_->Detach(this);
}

void OdbcArrays::Release() noexcept { stmt_.Free(); }

bool OdbcArrays::SetAutocommit(bool on) {
  const auto value = static_cast<SQLULEN>(on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF);
  return Succeeded(SQLSetConnectAttrW(link_->dbc.Get(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0));
}

bool OdbcArrays::Send(const ado::TextRows& rows) {
  Link& link = link_->Active();
  if (!stmt_) throw ado::Failure("Operation is not allowed when the object is closed.");
  if (rows.Columns() != markers_) throw ado::Failure("The rows do not match the statement's parameter markers.");
  const std::size_t count = rows.Rows();
  if (count == 0) return true;
  for (std::size_t c = 0; c < markers_; ++c) {
    Column& column = columns_[c];
    column.staged.clear();
    column.offsets.resize(count + 1);
    for (std::size_t r = 0; r < count; ++r) {
      column.offsets[r] = column.staged.size();
      AppendWide(column.staged, rows.Text(r, c));
    }
    column.offsets[count] = column.staged.size();
  }
  if (!SetAutocommit(false)) return false;
  // Any row refused refuses the array: some servers (PostgreSQL) abort the whole
  // transaction at the first error while the driver may still report later rows as done,
  // so a partly refused array is never committed.
  bool arrived = true;
  try {
    for (std::size_t first = 0; arrived && first < count;) {
      const std::size_t end = ArrayEnd(first, count);
      arrived = Execute(rows, first, end);
      first = end;
    }
  } catch (...) {
    SQLEndTran(SQL_HANDLE_DBC, link.dbc.Get(), SQL_ROLLBACK);
    SetAutocommit(true);
    throw;
  }
  const SQLRETURN ended = SQLEndTran(SQL_HANDLE_DBC, link.dbc.Get(), arrived ? SQL_COMMIT : SQL_ROLLBACK);
  if (arrived && !Succeeded(ended)) {
    SQLEndTran(SQL_HANDLE_DBC, link.dbc.Get(), SQL_ROLLBACK);
    arrived = false;
  }
  if (!SetAutocommit(true)) {
    const std::string text = FailureText(SQL_ERROR, SQL_HANDLE_DBC, link.dbc.Get(), "SQLSetConnectAttr");
    throw ado::Failure(text, SqlStateIn(text));
  }
  return arrived;
}

std::size_t OdbcArrays::ArrayEnd(std::size_t first, std::size_t count) const {
  std::size_t end = first;
  std::vector<std::size_t> widest(markers_, 1);  // units per element, terminating zero included
  while (end < count) {
    std::size_t rowBytes = 0;
    for (std::size_t c = 0; c < markers_; ++c) rowBytes += std::max(widest[c], Units(c, end) + 1) * sizeof(SQLWCHAR);
    if (end > first && rowBytes * (end - first + 1) > kArrayBytes) break;
    for (std::size_t c = 0; c < markers_; ++c) widest[c] = std::max(widest[c], Units(c, end) + 1);
    ++end;
  }
  return end;
}

bool OdbcArrays::Execute(const ado::TextRows& rows, std::size_t first, std::size_t end) {
  SQLHSTMT stmt = stmt_.Get();
  const std::size_t count = end - first;
  for (std::size_t c = 0; c < markers_; ++c) {
    Column& column = columns_[c];
    std::size_t width = 1;  // units per element, the terminating zero included
    for (std::size_t r = first; r < end; ++r) width = std::max(width, Units(c, r) + 1);
    column.bound.assign(width * count, 0);
    column.indicators.resize(count);
    for (std::size_t r = first; r < end; ++r) {
      const std::size_t units = Units(c, r);
      if (units != 0) {
        std::memcpy(&column.bound[(r - first) * width], &column.staged[column.offsets[r]], units * sizeof(SQLWCHAR));
      }
      column.indicators[r - first] = rows.IsNull(r, c) ? SQL_NULL_DATA : static_cast<SQLLEN>(units * sizeof(SQLWCHAR));
    }
    if (!Succeeded(SQLBindParameter(stmt, static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                                    std::max<SQLULEN>(1, width - 1), 0, column.bound.data(),
                                    static_cast<SQLLEN>(width * sizeof(SQLWCHAR)), column.indicators.data()))) {
      return false;
    }
  }
  const SQLRETURN ret = ExecuteArray(count);
  SQLFreeStmt(stmt, SQL_CLOSE);
  return Succeeded(ret) && processed_ == count && std::all_of(statuses_.begin(), statuses_.end(), RowArrived);
}

SQLRETURN OdbcArrays::ExecuteArray(std::size_t count) {
  SQLHSTMT stmt = stmt_.Get();
  statuses_.assign(count, SQL_PARAM_UNUSED);
  processed_ = 0;
  SQLRETURN ret =
      SQLSetStmtAttrW(stmt, SQL_ATTR_PARAM_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0);
  if (Succeeded(ret)) ret = SQLSetStmtAttrW(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(count), 0);
  if (Succeeded(ret)) ret = SQLSetStmtAttrW(stmt, SQL_ATTR_PARAM_STATUS_PTR, statuses_.data(), 0);
  if (Succeeded(ret)) ret = SQLSetStmtAttrW(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed_, 0);
  if (Succeeded(ret)) ret = SQLExecute(stmt);
  return ret;
}

std::vector<ado::RowRefusal> OdbcArrays::SendValues(const ado::ValueRows& rows) {
  Link& link = link_->Active();
  if (!stmt_) throw ado::Failure("Operation is not allowed when the object is closed.");
  if (rows.Columns() != markers_) throw ado::Failure("The rows do not match the statement's parameter markers.");
  std::vector<ado::RowRefusal> refused;
  const std::size_t count = rows.Rows();
  if (count == 0) return refused;
  values_.resize(markers_);
  for (std::size_t c = 0; c < markers_; ++c) values_[c].Stage(rows, c);
  if (!SetAutocommit(false)) {
    const std::string text = FailureText(SQL_ERROR, SQL_HANDLE_DBC, link.dbc.Get(), "SQLSetConnectAttr");
    throw ado::Failure(text, SqlStateIn(text));
  }
  try {
    for (std::size_t first = 0; first < count;) {
      const std::size_t end = ValueArrayEnd(first, count);
      SendValueParts(first, end, refused);
      first = end;
    }
  } catch (...) {
    SQLEndTran(SQL_HANDLE_DBC, link.dbc.Get(), SQL_ROLLBACK);
    SetAutocommit(true);
    throw;
  }
  if (!SetAutocommit(true)) {
    const std::string text = FailureText(SQL_ERROR, SQL_HANDLE_DBC, link.dbc.Get(), "SQLSetConnectAttr");
    throw ado::Failure(text, SqlStateIn(text));
  }
  return refused;
}

std::size_t OdbcArrays::ValueArrayEnd(std::size_t first, std::size_t count) const {
  std::vector<std::size_t> widest(markers_, 1);
  std::vector<BoundKind> kinds(markers_, BoundKind::kNull);
  std::size_t end = first;
  while (end < count) {
    std::size_t rowBytes = 0;
    bool sameKinds = true;
    for (std::size_t c = 0; c < markers_; ++c) {
      const BoundKind kind = values_[c].Kind(end);
      sameKinds = sameKinds && (kind == BoundKind::kNull || kinds[c] == BoundKind::kNull || kind == kinds[c]);
      rowBytes += std::max(widest[c], values_[c].ElementBytes(end)) + sizeof(SQLLEN);
    }
    if (end > first && (!sameKinds || rowBytes * (end - first + 1) > kArrayBytes)) break;
    for (std::size_t c = 0; c < markers_; ++c) {
      widest[c] = std::max(widest[c], values_[c].ElementBytes(end));
      if (values_[c].Kind(end) != BoundKind::kNull) kinds[c] = values_[c].Kind(end);
    }
    ++end;
  }
  return end;
}

void OdbcArrays::SendValueParts(std::size_t first, std::size_t end, std::vector<ado::RowRefusal>& refused) {
  // Parts still to send, the next one last: a loop, not recursion, however many rows fail.
  std::vector<std::pair<std::size_t, std::size_t>> parts = {{first, end}};
  while (!parts.empty()) {
    const auto [from, to] = parts.back();
    parts.pop_back();
    Outcome outcome = ExecuteValues(from, to);
    if (outcome.arrived) continue;
    // A lost connection is no row's fault: no part could arrive, and the caller ends the table.
    if (ConnectionIsLost(outcome.message, link_->dbc.Get()))
      throw ado::ConnectionLost(outcome.message, SqlStateIn(outcome.message));
    if (to - from == 1) {
      refused.push_back({from, std::move(outcome.message)});
    } else if (outcome.failedRow < to) {
      // The row the driver named alone, and the rows around it as they were.
      const std::size_t bad = outcome.failedRow;
      if (bad + 1 < to) parts.emplace_back(bad + 1, to);
      parts.emplace_back(bad, bad + 1);
      if (from < bad) parts.emplace_back(from, bad);
    } else {
      const std::size_t middle = from + (to - from) / 2;
      parts.emplace_back(middle, to);
      parts.emplace_back(from, middle);
    }
  }
}

OdbcArrays::Outcome OdbcArrays::ExecuteValues(std::size_t first, std::size_t end) {
  SQLHSTMT stmt = stmt_.Get();
  SQLHDBC dbc = link_->dbc.Get();
  const std::size_t count = end - first;
  Outcome outcome;
  // A year Oracle cannot hold is refused here, as Oracle would refuse it, whatever the
  // server behind the driver takes.
  for (std::size_t r = first; r < end; ++r) {
    for (std::size_t c = 0; c < markers_; ++c) {
      if (!values_[c].OutsideOracleYears(r)) continue;
      outcome.failedRow = r;
      outcome.message = "Parameter " + std::to_string(c + 1) + " holds a date outside Oracle's years -4712 to 9999";
      return outcome;
    }
  }
  for (std::size_t c = 0; c < markers_; ++c) {
    // A binding the driver will not take (a precision past its limit) is the values' fault:
    // the parts go on until the rows that carry them stand alone.
    const SQLRETURN bound = values_[c].Bind(stmt, static_cast<SQLUSMALLINT>(c + 1), first, end);
    if (!Succeeded(bound)) {
      outcome.failedRow = end;
      outcome.message = FailureText(bound, SQL_HANDLE_STMT, stmt, "SQLBindParameter");
      return outcome;
    }
  }
  const SQLRETURN ret = ExecuteArray(count);
  outcome.arrived =
      Succeeded(ret) && processed_ == count && std::all_of(statuses_.begin(), statuses_.end(), RowArrived);
  if (!outcome.arrived) {
    outcome.message = FailureText(ret == SQL_SUCCESS ? SQL_ERROR : ret, SQL_HANDLE_STMT, stmt, "SQLExecute");
    const auto failed =
        std::find_if(statuses_.begin(), statuses_.end(), [](SQLUSMALLINT status) { return status == SQL_PARAM_ERROR; });
    outcome.failedRow = first + static_cast<std::size_t>(failed - statuses_.begin());
  }
  SQLFreeStmt(stmt, SQL_CLOSE);
  if (outcome.arrived) {
    const SQLRETURN committed = SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT);
    if (Succeeded(committed)) return outcome;
    outcome.arrived = false;
    outcome.failedRow = end;
    outcome.message = FailureText(committed, SQL_HANDLE_DBC, dbc, "SQLEndTran");
  }
  SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_ROLLBACK);
  return outcome;
}

}  // namespace odbc
