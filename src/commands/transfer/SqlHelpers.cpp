#include "commands/transfer/SqlHelpers.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string>

#include "platform/ado/Failure.h"

namespace transfer {

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

const ado::Value& NullToDefault(const ado::Value& value, const ado::Value& defaultValue) {
  return value.IsNull() ? defaultValue : value;
}

std::string OracleDropStatement(const std::string& table, bool keepTypes) {
  return "DROP TABLE " + Quoted(table) + (keepTypes ? " CASCADE CONSTRAINTS" : "");
}

const ado::Value& EmptyText() {
  static const ado::Value empty{std::string()};
  return empty;
}

bool ExecuteSql(ado::Connection& connection, const std::string& sql) {
  connection.Execute(sql);
  return true;
}

std::string NotCreatedText(const std::string& table, long rowCount) {
  const long rows = std::max(0L, rowCount);
  return "The table " + table + " was not created; its " + std::to_string(rows) +
         (rows == 1 ? " row was" : " rows were") + " not sent.";
}

void ExecuteCreate(ado::Connection& connection, const std::string& sql, const std::string& table, long rowCount) {
  try {
    ExecuteSql(connection, sql);
  } catch (const ado::ConnectionLost& failure) {
    throw ado::ConnectionLost(std::string(failure.what()) + "\n" + NotCreatedText(table, rowCount), failure.SqlState(),
                              failure.NativeCode());
  } catch (const ado::Failure& failure) {
    throw ado::Failure(std::string(failure.what()) + "\n" + NotCreatedText(table, rowCount), failure.SqlState(),
                       failure.NativeCode());
  } catch (const std::exception& failure) {
    throw ado::Failure(std::string(failure.what()) + "\n" + NotCreatedText(table, rowCount));
  }
}

bool InsertArrays::Prepare(ado::Connection& connection, const std::string& table, std::size_t columns) {
  m_arrays.reset();
  m_rows = ado::TextRows(columns);
  Clear();
  if (!connection.IsOpen() || columns == 0) return false;
  std::string sql = "INSERT INTO " + Quoted(table) + " VALUES(";
  for (std::size_t c = 0; c < columns; ++c) sql += c == 0 ? "?" : ", ?";
  sql += ")";
  m_arrays = connection.PrepareArrays(sql, columns);
  m_rowsPerArray = kFirstArrayRows;
  return m_arrays != nullptr;
}

void InsertArrays::AddValue(const std::string& text) {
  if (text.empty()) {
    m_rows.AddNull();
  } else {
    m_rows.AddText(text);
    m_rowHasNul = m_rowHasNul || text.find('\0') != std::string::npos;
  }
  ++m_valuesInRow;
}

bool InsertArrays::EndRow(const std::string& statement) {
  const bool fits = m_valuesInRow == m_rows.Columns() && !m_rowHasNul;
  if (fits) {
    m_statements.push_back(statement);
  } else {
    m_rows.DropLast(m_valuesInRow);
  }
  m_valuesInRow = 0;
  m_rowHasNul = false;
  return fits;
}

bool InsertArrays::Send() {
  if (!m_arrays) throw ado::Failure("Object variable or With block variable not set");
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const bool arrived = m_arrays->Send(m_rows);
  const double tookMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  constexpr double kArrayMs = 25;
  if (tookMs > kArrayMs || Full()) {
    // Grown at most twofold at a time, since one quick array says little about the next.
    const double fitting = static_cast<double>(Rows()) * kArrayMs / std::max(tookMs, 1.0);
    const std::size_t most = std::max<std::size_t>(1, std::min(2 * Rows(), kRowsPerArray));
    m_rowsPerArray = std::clamp<std::size_t>(static_cast<std::size_t>(fitting), 1, most);
  }
  return arrived;
}

void InsertArrays::Clear() {
  m_rows.Clear();
  m_statements.clear();
  m_valuesInRow = 0;
  m_rowHasNul = false;
}

}  // namespace transfer
