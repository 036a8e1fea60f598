#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Value.h"

namespace transfer {

/// "name": an Oracle identifier in double quotes, kept to its letter case.
std::string Quoted(const std::string& name);

/// The DROP TABLE that replaces an Oracle table. A typed copy's tables may be parents of
/// foreign keys, which Oracle would refuse to leave behind (ORA-02449): those keys go with it.
std::string OracleDropStatement(const std::string& table, bool keepTypes);

/// The default when the value is Null, else the value unchanged (empty text is not Null).
/// Returns one of its arguments, so the default must outlive the result's use.
const ado::Value& NullToDefault(const ado::Value& value, const ado::Value& defaultValue);

/// The empty text that the transfers take for Null.
const ado::Value& EmptyText();

/// Executes one statement on an open connection; failures pass to the caller.
bool ExecuteSql(ado::Connection& connection, const std::string& sql);

/// Executes a table's CREATE TABLE with ExecuteSql. Its failure also says that the table
/// was not created and that its rowCount rows are not sent: a table of that name that this
/// run did not create is someone else's, and rows poured into it would double or mix data.
void ExecuteCreate(ado::Connection& connection, const std::string& sql, const std::string& table, long rowCount);

/// The sentence that ExecuteCreate adds to a failure.
std::string NotCreatedText(const std::string& table, long rowCount);

/// Rows bound for one table, gathered into parameter arrays for one prepared INSERT. Each
/// row keeps the literal INSERT it stands for, so that a refused array can be sent again
/// as those statements, one by one, with the failures the statements bring.
class InsertArrays {
 public:
  static constexpr std::size_t kRowsPerArray = 1000;
  static constexpr std::size_t kFirstArrayRows = 100;

  /// Prepares INSERT INTO "table" VALUES(?, ...) with one marker per column. False (and
  /// rows then go as statements) when the connection is not open or cannot run arrays.
  bool Prepare(ado::Connection& connection, const std::string& table, std::size_t columns);
  bool Prepared() const { return m_arrays != nullptr; }

  /// One value of the current row, as the literal would carry it: empty text is Null.
  void AddValue(const std::string& text);
  /// Ends the current row, whose literal INSERT is statement. False when the row does not
  /// fit the array (a value missing, a NUL character that a statement text cannot carry):
  /// its values are dropped and it is to be sent as the statement.
  bool EndRow(const std::string& statement);
  std::size_t Rows() const { return m_statements.size(); }
  bool Full() const { return Rows() >= m_rowsPerArray; }

  /// Sends the gathered rows as one array, one commit; false when it was refused whole.
  /// The window cannot repaint while an array travels, so arrays are made shorter (down to
  /// one row) when one takes longer than about 25 ms, and longer again up to kRowsPerArray; a
  /// table's first array holds kFirstArrayRows.
  bool Send();
  /// The literal INSERTs of the gathered rows, in order.
  const std::vector<std::string>& Statements() const { return m_statements; }
  void Clear();

 private:
  std::unique_ptr<ado::ParameterArrays> m_arrays;
  ado::TextRows m_rows;
  std::vector<std::string> m_statements;
  std::size_t m_rowsPerArray = kFirstArrayRows;
  std::size_t m_valuesInRow = 0;
  bool m_rowHasNul = false;
};

}  // namespace transfer
