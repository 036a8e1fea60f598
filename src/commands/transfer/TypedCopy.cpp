#include "commands/transfer/TypedCopy.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "commands/transfer/DeclarationTransfer.h"
#include "commands/transfer/FileRemoval.h"
#include "commands/transfer/KeyTransfer.h"
#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TransferSteps.h"
#include "commands/transfer/TypedTables.h"
#include "commands/transfer/TypedValues.h"
#include "connections/DoEvents.h"
#include "platform/ado/Failure.h"

namespace transfer {
namespace {

constexpr std::size_t kRowsPerArray = 1000;

// Rows gathered into arrays of typed values for one prepared INSERT. A refused row is
// reported on its own, naming the table, row, column and value; the others arrive.
// The numbers of the sender's steps in its copy's table.
struct SenderSteps {
  connections::StepNumber progress, send, refused;
};

class TypedRowSender {
 public:
  TypedRowSender(TypedCopyParts& parts, SenderSteps steps, std::string table, std::vector<std::string> columns,
                 long rowCount)
      : m_parts(parts),
        m_steps(steps),
        m_table(std::move(table)),
        m_columns(std::move(columns)),
        m_rows(m_columns.size()),
        m_rowCount(rowCount) {}

  void Prepare(ado::Connection& target, const std::string& insert) {
    m_arrays = target.PrepareArrays(insert, m_columns.size());
    if (!m_arrays) throw ado::Failure("The target cannot take typed values in parameter arrays");
  }
  bool Prepared() const { return m_arrays != nullptr; }
  // Lets go of the prepared statement, and with it of the target table (the keys need it).
  void Close() { m_arrays.reset(); }

  // A whole row at once, so that a value that cannot be read leaves no half row behind.
  void AddRow(std::vector<ado::Value>& row) {
    for (ado::Value& value : row) m_rows.Add(std::move(value));
    row.clear();
    m_numbers.push_back(++m_read);
    if (m_rows.Rows() >= kRowsPerArray) Send();
  }

  // A row that is not sent, reported the way the target's refusals are.
  void Refuse(std::vector<ado::Value>& row, const std::string& message) {
    const long number = ++m_read;
    m_parts.trap.Step(m_steps.refused,
                      [&] { throw ado::Failure(RefusedRowText(m_table, number, message, m_columns, row)); });
    row.clear();
    if (m_parts.observer != nullptr) m_parts.observer->RowSent(false);
  }

  void Send() {
    const std::size_t count = m_rows.Rows();
    if (count == 0) return;
    std::vector<ado::RowRefusal> refused;
    bool sent = false;
    const long last = m_numbers.back() - 1;
    if (last < m_rowCount)
      m_parts.trap.Step(m_steps.progress, [&] { m_parts.progress.SetValue(ProgressPercent(last, m_rowCount)); });
    m_parts.trap.Step(m_steps.send, [&] {
      refused = m_arrays->SendValues(m_rows);
      std::sort(refused.begin(), refused.end(),
                [](const ado::RowRefusal& a, const ado::RowRefusal& b) { return a.row < b.row; });
      sent = true;
    });
    std::size_t next = 0;
    for (std::size_t row = 0; row < count; ++row) {
      const bool isRefused = !sent || (next < refused.size() && refused[next].row == row);
      if (sent && isRefused) {
        const ado::RowRefusal& refusal = refused[next++];
        m_parts.trap.Step(m_steps.refused, [&] {
          std::vector<ado::Value> values;
          for (std::size_t c = 0; c < m_columns.size(); ++c) values.push_back(m_rows.At(row, c));
          throw ado::Failure(RefusedRowText(m_table, m_numbers[row], refusal.message, m_columns, values));
        });
      }
      if (m_parts.observer != nullptr) m_parts.observer->RowSent(!isRefused);
    }
    m_rows.Clear();
    m_numbers.clear();
  }

 private:
  TypedCopyParts& m_parts;
  SenderSteps m_steps;
  std::string m_table;
  std::vector<std::string> m_columns;
  ado::ValueRows m_rows;
  long m_rowCount;
  long m_read = 0;              // rows added or refused so far
  std::vector<long> m_numbers;  // the gathered rows' numbers, 1-based
  std::unique_ptr<ado::ParameterArrays> m_arrays;
};

long CountRows(ado::Connection& oracle, const std::string& source) {
  ado::Recordset count;
  count.Open("SELECT COUNT(*) FROM " + Quoted(source), oracle, ado::adOpenStatic);
  const ado::Value value = count.Fields(0).Value;
  count.Close();
  return std::stol(ado::ValueToText(value));
}

// Whether the target's text holds a NUL character: Oracle's does; a server that refuses one
// in a literal would cut a bound one short, and that must not pass unseen.
bool TextHoldsNul(ado::Connection& oracle) {
  ado::Recordset length;
  try {
    length.Open("SELECT LENGTH('a' || CHR(0) || 'b') FROM DUAL", oracle, ado::adOpenStatic);
  } catch (const ado::Failure&) {
    return false;  // the server refused the NUL: that is the answer
  }
  const bool whole = ado::ValueToText(length.Fields(0).Value) == "3";
  length.Close();
  return whole;
}

void TellNotCreated(TypedCopyParts& parts, const std::string& source, const std::string& target, long rowCount) {
  if (parts.observer == nullptr) return;
  parts.observer->TableStarted(source, target, rowCount);
  parts.observer->TableNotCreated(rowCount);
}

}  // namespace

bool SendTypedTableToOracle(TypedCopyParts& parts, RecordsetObject& records, ado::Connection& foxPro,
                            const std::string& table, ado::Connection& oracle, const std::string& target) {
  connections::FailureTrap& trap = parts.trap;
  const auto step = [&](TypedToOracleStep s) { return connections::InBlock(parts.steps, s); };
  std::vector<FoxProColumn> columns;
  bool created = false;
  trap.Step(step(TypedToOracleStep::ReadColumns), [&] { columns = DeclaredColumnsOf(*records); });
  trap.Step(step(TypedToOracleStep::FindFractions), [&] {
    FindFractions(foxPro, table, columns);
    ReadFoxProDeclarations(foxPro, table, columns);
  });
  long rowCount = 0;
  trap.Step(step(TypedToOracleStep::CountRows), [&] { rowCount = records->RecordCount(); });
  trap.Step(step(TypedToOracleStep::BuildCreate), [&] { parts.sql = OracleCreateStatement(target, columns); });
  trap.Step(step(TypedToOracleStep::Create), [&] {
    ExecuteCreate(oracle, parts.sql, target, rowCount);
    created = true;
  });
  // A table that was not made takes no rows: they would go into whatever has that name.
  if (!created) {
    TellNotCreated(parts, table, target, rowCount);
    return false;
  }
  for (const FoxProColumn& column : columns) {
    trap.Step(step(TypedToOracleStep::BuildComment), [&] { parts.sql = OracleCommentStatement(target, column); });
    trap.Step(step(TypedToOracleStep::Comment), [&] { ExecuteSql(oracle, parts.sql); });
  }

  std::vector<std::string> names;
  for (const FoxProColumn& column : columns) names.push_back(column.name);
  const SenderSteps senderSteps{step(TypedToOracleStep::Progress), step(TypedToOracleStep::SendRows),
                                step(TypedToOracleStep::RefusedRow)};
  TypedRowSender sender(parts, senderSteps, target, names, rowCount);
  trap.Step(step(TypedToOracleStep::PrepareInsert), [&] {
    parts.sql = OracleInsertStatement(target, columns.size());
    sender.Prepare(oracle, parts.sql);
  });
  if (parts.observer != nullptr) {
    parts.observer->TableStarted(table, target, rowCount);
    long rounded = 0;
    for (const FoxProColumn& column : columns) rounded += column.roundedByRule;
    if (rounded > 0) parts.observer->ValuesRounded(rounded);
  }
  if (!sender.Prepared()) return true;
  std::vector<ado::Value> row;
  std::optional<bool> textHoldsNul;  // asked when a text first holds one
  while (!trap.Interrupted() && trap.Value(step(TypedToOracleStep::TestRows), false, [&] { return !records->Eof(); })) {
    trap.Step(step(TypedToOracleStep::YieldBeforeRow), [&] { connections::DoEvents(); });
    trap.Step(step(TypedToOracleStep::ReadRow), [&] {
      std::string nulIn;  // the first column whose text holds a NUL
      for (std::size_t c = 0; c < columns.size(); ++c) {
        row.push_back(OracleBoundValue(records->Fields(static_cast<int>(c)).Value, columns[c].field));
        if (nulIn.empty() && HoldsNul(row.back())) nulIn = columns[c].name;
      }
      if (!nulIn.empty() && !textHoldsNul) textHoldsNul = TextHoldsNul(oracle);
      if (!nulIn.empty() && !*textHoldsNul) {
        sender.Refuse(row, "the text of " + nulIn + " holds a NUL character, which the target's text cannot hold");
      } else {
        sender.AddRow(row);
      }
    });
    row.clear();
    trap.Step(step(TypedToOracleStep::NextRow), [&] { records->MoveNext(); });
  }
  sender.Send();  // the rows gathered so far; its steps are skipped after Stop
  sender.Close();
  NameRecord keyRecord;  // each key's name and its tag's, and the tag expressions, for the table's comment
  if (!trap.Stopped()) {
    trap.Step(step(TypedToOracleStep::CarryKeys),
              [&] { CarryKeysToOracle(parts, foxPro, table, columns, oracle, target, keyRecord); });
  }
  if (!trap.Stopped()) {
    trap.Step(step(TypedToOracleStep::CarryDeclarations),
              [&] { CarryDeclarationsToOracle(parts, foxPro, table, columns, oracle, target, keyRecord); });
  }
  return true;
}

bool SendTypedTableToFoxPro(TypedCopyParts& parts, RecordsetObject& records, ado::Connection& oracle,
                            const std::string& source, ado::Connection& foxPro, const std::string& target,
                            const std::string& tablePath, const std::function<bool(const std::string&)>& makeRoom,
                            bool freeTable, int codePage) {
  connections::FailureTrap& trap = parts.trap;
  const auto read = [&](TypedFromOracleReadStep s) { return connections::InBlock(parts.steps, s); };
  const auto write = [&](TypedToFoxProWriteStep s) { return connections::InBlock(parts.writeSteps, s); };
  std::vector<MappedColumn> columns;
  bool created = false;
  long rowCount = 0;
  trap.Step(read(TypedFromOracleReadStep::MapColumns), [&] { columns = MapOracleTable(oracle, source, freeTable); });
  trap.Step(read(TypedFromOracleReadStep::CountRows), [&] { rowCount = CountRows(oracle, source); });
  // The rows stream from a server-side cursor: memory does not grow with the table.
  trap.Step(read(TypedFromOracleReadStep::OpenSource), [&] {
    const int location = oracle.CursorLocation;
    oracle.CursorLocation = ado::adUseServer;
    try {
      records->Open(OracleSelectStatement(source, columns), oracle);
    } catch (...) {
      oracle.CursorLocation = location;
      throw;
    }
    oracle.CursorLocation = location;
  });
  // A source that cannot be read leaves the old table as it is: nothing could take its place.
  if (!records.IsOpen() || !makeRoom(tablePath)) {
    if (parts.observer != nullptr) parts.observer->TableSkipped(source);
    return false;
  }
  trap.Step(write(TypedToFoxProWriteStep::BuildCreate),
            [&] { parts.sql = FoxProCreateStatement(tablePath, codePage, columns); });
  trap.Step(write(TypedToFoxProWriteStep::Create), [&] {
    ExecuteCreate(foxPro, parts.sql, target, rowCount);
    created = true;
  });
  if (!created) {
    TellNotCreated(parts, source, target, rowCount);
    return false;
  }

  std::vector<std::string> names;
  for (const MappedColumn& column : columns) names.push_back(column.foxProName);
  const SenderSteps senderSteps{write(TypedToFoxProWriteStep::Progress), write(TypedToFoxProWriteStep::SendRows),
                                write(TypedToFoxProWriteStep::RefusedRow)};
  TypedRowSender sender(parts, senderSteps, target, names, rowCount);
  trap.Step(write(TypedToFoxProWriteStep::PrepareInsert), [&] {
    parts.sql = FoxProInsertStatement(tablePath, columns.size());
    sender.Prepare(foxPro, parts.sql);
  });
  if (parts.observer != nullptr) parts.observer->TableStarted(source, target, rowCount);
  if (!sender.Prepared() || !records.IsOpen()) return true;
  long rounded = 0;
  std::vector<ado::Value> row;
  while (!trap.Interrupted() &&
         trap.Value(write(TypedToFoxProWriteStep::TestRows), false, [&] { return !records->Eof(); })) {
    trap.Step(write(TypedToFoxProWriteStep::YieldBeforeRow), [&] { connections::DoEvents(); });
    trap.Step(write(TypedToFoxProWriteStep::ReadRow), [&] {
      for (std::size_t c = 0; c < columns.size(); ++c) {
        row.push_back(FoxProBoundValue(records->Fields(static_cast<int>(c)).Value, columns[c].mapping.field, rounded));
      }
      sender.AddRow(row);
    });
    row.clear();
    trap.Step(write(TypedToFoxProWriteStep::NextRow), [&] { records->MoveNext(); });
  }
  sender.Send();  // the rows gathered so far; its steps are skipped after Stop
  sender.Close();
  if (!trap.Stopped()) {
    trap.Step(write(TypedToFoxProWriteStep::CarryKeys),
              [&] { CarryKeysToFoxPro(parts, oracle, source, columns, foxPro, tablePath, !freeTable); });
  }
  if (!trap.Stopped()) {
    trap.Step(write(TypedToFoxProWriteStep::CarryDeclarations),
              [&] { CarryDeclarationsToFoxPro(parts, oracle, source, columns, foxPro, tablePath); });
  }
  if (rounded > 0 && parts.observer != nullptr) parts.observer->ValuesRounded(rounded);
  return true;
}

}  // namespace transfer
