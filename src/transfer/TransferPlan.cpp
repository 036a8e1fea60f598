#include "transfer/TransferPlan.h"

#include <exception>

#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "transfer/FoxProNames.h"
#include "transfer/KeyTransfer.h"
#include "transfer/TypedTables.h"
#include "transfer/TypedValues.h"

namespace transfer {
namespace {

void Add(std::string& notes, const std::string& note) {
  if (note.empty()) return;
  notes += notes.empty() ? note : "; " + note;
}

std::string OracleSideNotes(const FoxProColumn& column) {
  const ado::DeclaredField& field = column.field;
  std::string notes;
  const bool text = (field.typeLetter == 'C' || field.typeLetter == 'V' || field.typeLetter == 'M') && !field.binary;
  if (field.typeLetter == 'C' && !field.binary) Add(notes, "padding blanks trimmed");
  if (text) Add(notes, "text re-encoded from the table's code page to the database's character set");
  if (field.typeLetter == 'G') Add(notes, "the OLE wrapper as stored, not the object alone");
  if (field.typeLetter == 'D' || field.typeLetter == 'T') Add(notes, "an empty date arrives as NULL");
  if (field.typeLetter == 'T') Add(notes, column.hasFraction ? "milliseconds kept" : "no value holds a fraction");
  if (field.typeLetter == 'T') Add(notes, "a year outside Oracle's -4712 to 9999 is refused");
  if (field.typeLetter == 'B') Add(notes, "its decimals are kept in the column comment");
  return notes;
}

bool FinerThanMilliseconds(const OracleColumn& column) {
  return column.dataType.rfind("TIMESTAMP", 0) == 0 && column.scale.value_or(6) > 3;
}

// Per column, how many values the cut to FoxPro's milliseconds would change: the columns
// finer than milliseconds read the way the copy reads them, row by row.
std::vector<long> RoundedByTheRule(ado::Connection& oracle, const std::string& table,
                                   const std::vector<MappedColumn>& columns) {
  std::vector<long> counts(columns.size(), 0);
  std::vector<std::size_t> fine;
  std::vector<MappedColumn> read;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (!FinerThanMilliseconds(columns[c].oracle)) continue;
    fine.push_back(c);
    read.push_back(columns[c]);
  }
  if (fine.empty()) return counts;
  ado::Recordset rows;
  const int location = oracle.CursorLocation;
  oracle.CursorLocation = ado::adUseServer;  // streamed: memory does not grow with the table
  try {
    rows.Open(OracleSelectStatement(table, read), oracle);
  } catch (...) {
    oracle.CursorLocation = location;
    throw;
  }
  oracle.CursorLocation = location;
  for (; !rows.Eof(); rows.MoveNext()) {
    for (std::size_t k = 0; k < fine.size(); ++k) {
      FoxProBoundValue(rows.Fields(static_cast<int>(k)).Value, columns[fine[k]].mapping.field, counts[fine[k]]);
    }
  }
  rows.Close();
  return counts;
}

std::string FoxProSideNotes(const MappedColumn& column, int codePage, long rounded) {
  const char type = column.mapping.field.typeLetter;
  std::string notes = column.mapping.note;
  if (column.foxProName != column.oracle.name) Add(notes, "name shortened to " + column.foxProName);
  if (ParseFoxProTypeComment(column.oracle.comment)) Add(notes, "field as recorded in the column comment");
  if (FinerThanMilliseconds(column.oracle)) {
    Add(notes, std::to_string(rounded) + " values cut to the millisecond (rounded by the rule)");
  }
  if ((type == 'C' || type == 'V' || type == 'M') && !column.mapping.field.binary) {
    Add(notes, "text re-encoded to code page " + std::to_string(codePage) + "; a character it lacks is refused");
  }
  if (type == 'T' || type == 'D') Add(notes, "a year past 9999 is refused");
  return notes;
}

template <class Plan>
TablePlan PlanTable(const std::string& source, const std::string& target, Plan&& plan) {
  TablePlan table{source, target, {}, {}, {}, {}};
  try {
    plan(table);
  } catch (const std::exception& failure) {
    table.failure = failure.what();
  }
  return table;
}

}  // namespace

std::vector<TablePlan> PlanSendToOracle(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables) {
  ado::Connection foxPro;
  foxPro.Open(connections::FoxProConnectionString(fields));
  // Oracle is read too: the keys' names must be free in its schema.
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(connections::OracleConnectionString(fields));
  std::vector<TablePlan> plan;
  for (const std::string& name : tables) {
    plan.push_back(PlanTable(name, name, [&](TablePlan& table) {
      std::vector<FoxProColumn> columns;
      {
        ado::Recordset records;  // a server-side read: its fields, no rows
        records.Open("SELECT * FROM `" + name + "`", foxPro);
        columns = DeclaredColumnsOf(records);
        records.Close();
      }
      FindFractions(foxPro, name, columns);
      table.statements.push_back(OracleCreateStatement(name, columns));
      for (const FoxProColumn& column : columns) {
        table.statements.push_back(OracleCommentStatement(name, column));
        table.columns.push_back({column.name + " " + FoxProTypeText(column.field),
                                 OracleColumnClause(column.name, column.field, column.hasFraction),
                                 OracleSideNotes(column)});
      }
      table.keys = KeyPlanLines(PlanKeysToOracle(foxPro, name, columns, oracle, name));
    }));
  }
  oracle.Close();
  foxPro.Close();
  return plan;
}

std::vector<TablePlan> PlanSendToFoxPro(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables) {
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(connections::OracleConnectionString(fields));
  std::vector<TablePlan> plan;
  for (const std::string& name : tables) {
    const std::string path = FoxProTablePath(name, fields.DbcMode() ? kDbcFileMode : kFreeTableFolderMode,
                                             fields.DbcFile(), fields.FreeTableFolder());
    plan.push_back(PlanTable(name, path, [&](TablePlan& table) {
      const std::vector<MappedColumn> columns = MapOracleTable(oracle, name, !fields.DbcMode());
      table.statements.push_back(FoxProCreateStatement(path, fields.CodePage(), columns));
      const std::vector<long> rounded = RoundedByTheRule(oracle, name, columns);
      for (std::size_t c = 0; c < columns.size(); ++c) {
        const MappedColumn& column = columns[c];
        std::string declared = column.oracle.dataType;
        if (column.oracle.precision) {
          declared += "(" + std::to_string(*column.oracle.precision) +
                      (column.oracle.scale ? "," + std::to_string(*column.oracle.scale) : "") + ")";
        }
        table.columns.push_back({column.oracle.name + " " + declared,
                                 FoxProFieldClause(column.foxProName, column.mapping.field),
                                 FoxProSideNotes(column, fields.CodePage(), rounded[c])});
      }
      table.keys = KeyPlanLines(PlanKeysToFoxPro(oracle, name, columns, path, fields.DbcMode()));
    }));
  }
  oracle.Close();
  return plan;
}

std::string PlanText(const std::vector<TablePlan>& plan) {
  std::string text;
  for (const TablePlan& table : plan) {
    text += "Table " + table.source + " -> " + table.target + "\n";
    if (!table.failure.empty()) {
      text += "  cannot be read: " + table.failure + "\n\n";
      continue;
    }
    for (const std::string& statement : table.statements) text += "  " + statement + "\n";
    for (const ColumnPlan& column : table.columns) {
      text += "  " + column.source + "  ->  " + column.target;
      if (!column.notes.empty()) text += "  (" + column.notes + ")";
      text += "\n";
    }
    for (const std::string& key : table.keys) text += "  " + key + "\n";
    text += "\n";
  }
  return text;
}

}  // namespace transfer
