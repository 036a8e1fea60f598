#include "transfer/SqlHelpers.h"

#include "platform/ado/Failure.h"

namespace transfer {

const ado::Value& NullToDefault(const ado::Value& value, const ado::Value& defaultValue) {
  return value.IsNull() ? defaultValue : value;
}

const ado::Value& EmptyText() {
  static const ado::Value empty{std::string()};
  return empty;
}

bool ExecuteSql(ado::Connection& connection, const std::string& sql) {
  connection.Execute(sql);
  return true;
}

bool InsertArrays::Prepare(ado::Connection& connection, const std::string& table, std::size_t columns) {
  m_arrays.reset();
  m_rows = ado::TextRows(columns);
  Clear();
  if (!connection.IsOpen() || columns == 0) return false;
  std::string sql = "INSERT INTO \"" + table + "\" VALUES(";
  for (std::size_t c = 0; c < columns; ++c) sql += c == 0 ? "?" : ", ?";
  sql += ")";
  m_arrays = connection.PrepareArrays(sql, columns);
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
  return m_arrays->Send(m_rows);
}

void InsertArrays::Clear() {
  m_rows.Clear();
  m_statements.clear();
  m_valuesInRow = 0;
  m_rowHasNul = false;
}

}  // namespace transfer
