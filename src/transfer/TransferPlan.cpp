#include "transfer/TransferPlan.h"

#include <exception>

#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "transfer/FoxProNames.h"
#include "transfer/TypedTables.h"

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
  if (field.typeLetter == 'B') Add(notes, "its decimals are kept in the column comment");
  return notes;
}

std::string FoxProSideNotes(const MappedColumn& column, int codePage) {
  const char type = column.mapping.field.typeLetter;
  std::string notes = column.mapping.note;
  if (column.foxProName != column.oracle.name) Add(notes, "name shortened to " + column.foxProName);
  if (ParseFoxProTypeComment(column.oracle.comment)) Add(notes, "field as recorded in the column comment");
  const std::string& oracleType = column.oracle.dataType;
  if (oracleType.rfind("TIMESTAMP", 0) == 0 && column.oracle.scale.value_or(6) > 3) {
    Add(notes, "fractions beyond milliseconds rounded, each counted");
  }
  if ((type == 'C' || type == 'V' || type == 'M') && !column.mapping.field.binary) {
    Add(notes, "text re-encoded to code page " + std::to_string(codePage) + "; a character it lacks is refused");
  }
  if (type == 'T' || type == 'D') Add(notes, "a year past 9999 is refused");
  return notes;
}

template <class Plan>
TablePlan PlanTable(const std::string& source, const std::string& target, Plan&& plan) {
  TablePlan table{source, target, {}, {}, {}};
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
    }));
  }
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
      for (const MappedColumn& column : columns) {
        std::string declared = column.oracle.dataType;
        if (column.oracle.precision) {
          declared += "(" + std::to_string(*column.oracle.precision) +
                      (column.oracle.scale ? "," + std::to_string(*column.oracle.scale) : "") + ")";
        }
        table.columns.push_back({column.oracle.name + " " + declared,
                                 FoxProFieldClause(column.foxProName, column.mapping.field),
                                 FoxProSideNotes(column, fields.CodePage())});
      }
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
    text += "\n";
  }
  return text;
}

}  // namespace transfer
