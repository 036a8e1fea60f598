#include "commands/transfer/TransferPlan.h"

#include <algorithm>
#include <exception>
#include <variant>

#include "commands/transfer/Datatype.h"
#include "commands/transfer/DeclarationTransfer.h"
#include "commands/transfer/FileRemoval.h"
#include "commands/transfer/FoxProNames.h"
#include "commands/transfer/KeyTransfer.h"
#include "commands/transfer/ListHelpers.h"
#include "commands/transfer/RelationTransfer.h"
#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TypedTables.h"
#include "commands/transfer/TypedValues.h"
#include "connections/Foxpro.h"
#include "connections/Oracle.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/sql/SqlParser.h"
#include "platform/foxpro/tables/DbfWriter.h"
#include "platform/foxpro/tables/FieldTypes.h"
#include "platform/foxpro/tables/TableFields.h"

namespace transfer {
namespace {

void Add(std::string& notes, const std::string& note) {
  if (note.empty()) return;
  notes += notes.empty() ? note : "; " + note;
}

std::string OracleSideNotes(const FoxProColumn& column) {
  const ado::DeclaredField& field = column.field;
  std::string notes;
  const bool text = foxpro::IsTextType(field.typeLetter) && !field.binary;
  if (field.typeLetter == 'C' && !field.binary) Add(notes, "padding blanks trimmed");
  if (text) Add(notes, "text re-encoded from the table's code page to the database's character set");
  if (field.typeLetter == 'G') Add(notes, "the OLE wrapper as stored, not the object alone");
  if (field.typeLetter == 'D' || field.typeLetter == 'T') Add(notes, "an empty date arrives as NULL");
  if (field.typeLetter == 'T') Add(notes, column.hasFraction ? "milliseconds kept" : "no value holds a fraction");
  if (column.roundedByRule > 0) {
    Add(notes, std::to_string(column.roundedByRule) +
                   " values one millisecond off a whole second taken for that second (rounded by the rule)");
  }
  if (field.typeLetter == 'T') Add(notes, "a year outside Oracle's -4712 to 9999 is refused");
  if (field.typeLetter == 'B') Add(notes, "its decimals are kept in the column comment");
  if (!field.nullable)
    Add(notes, "NOT NULL after the rows unless one holds NULL in Oracle; then NOT NULL in the comment");
  for (const std::string& line : NotCarriedToOracle(column)) Add(notes, line);
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

std::string FoxProSideNotes(const MappedColumn& column, int codePage, long rounded, bool container) {
  const char type = column.mapping.field.typeLetter;
  std::string notes = column.mapping.note;
  if (FoxProNameOf(column.oracle.name) != column.foxProName) {
    Add(notes, "name shortened to " + column.foxProName);
  } else if (OracleNameOf(column.foxProName) != column.oracle.name) {
    Add(notes, container ? "name's letter case recorded in the table's comment"
                         : "name's letter case lost: a free table records none");
  }
  if (ParseFoxProTypeComment(column.oracle.comment)) Add(notes, "field as recorded in the column comment");
  if (FinerThanMilliseconds(column.oracle)) {
    Add(notes, std::to_string(rounded) + " values cut to the millisecond (rounded by the rule)");
  }
  if (foxpro::IsTextType(type) && !column.mapping.field.binary) {
    Add(notes, "text re-encoded to code page " + std::to_string(codePage) + "; a character it lacks is refused");
  }
  if (type == 'T' || type == 'D') Add(notes, "a year past 9999 is refused");
  return notes;
}

// The spelling of the name in the target side's list (the last match, letter case aside, as
// the run takes it); none when the list does not hold it.
std::optional<std::string> ListedSpelling(const std::vector<std::string>& listed, const std::string& name) {
  std::optional<std::string> spelling;
  for (const std::string& item : listed) {
    if (LowerCase(item) == LowerCase(name)) spelling = item;
  }
  return spelling;
}

bool Replaced(const std::optional<ExistingTarget>& existing) {
  return existing == ExistingTarget::Replace || existing == ExistingTarget::Ask;
}

bool Kept(const std::optional<ExistingTarget>& existing) { return existing && !Replaced(existing); }

// The plan of one table: an unreadable table is planned as far as it fails, a kept one not at all.
template <class Plan>
TablePlan PlanTable(const std::string& source, const std::string& target, std::optional<ExistingTarget> existing,
                    Plan&& plan) {
  TablePlan table{source, target, existing, {}, {}, {}, {}, {}};
  if (Kept(existing)) return table;
  try {
    plan(table);
  } catch (const std::exception& failure) {
    table.failure = failure.what();
  }
  return table;
}

// The engine's own checks of a new table's fields, on the CREATE TABLE the run would send:
// the table-wide limits (255 fields, the record length) refuse it before a row is read.
std::string FoxProRefusal(const std::string& createStatement) {
  try {
    const foxpro::SqlStatement parsed = foxpro::SqlParser::Parse(createStatement);
    const auto& create = std::get<foxpro::CreateTableStatement>(parsed);
    foxpro::CheckVfpTableFields(create.table.text, foxpro::DbfFieldsFor(create.columns));
  } catch (const ado::Failure& refused) {
    return refused.Description();
  }
  return {};
}

// The source column as the text copy sees it: FoxPro's declaration, else the driver's type.
std::string TextSourceColumn(const ado::Field& field) {
  return field.Name + " " +
         (field.Declared.typeLetter != 0 ? FoxProTypeText(field.Declared)
                                         : DataTypeName(static_cast<std::int16_t>(field.Type)));
}

// The text copy's CREATE TABLE and columns, from the source's fields as the run reads them:
// each column comes from textColumn ("name TYPE,"), the last comma closes the list.
template <class TextColumn>
void PlanTextColumns(TablePlan& table, ado::Connection& connection, const std::string& select,
                     const std::string& createHead, const std::string& createTail, TextColumn&& textColumn) {
  ado::Recordset records;  // a server-side read: its fields, no rows
  records.Open(select, connection);
  std::string create = createHead;
  for (int f = 0; f < records.FieldCount(); ++f) {
    const ado::Field& field = records.Fields(f);
    const std::string column = textColumn(field.Name, field.Type);
    create += column;
    table.columns.push_back({TextSourceColumn(field), column.substr(0, column.size() - 1), {}});
  }
  records.Close();
  create.pop_back();
  table.statements.push_back(create + createTail);
}

// A free table keeps 10 characters of a field name: the engine cuts a longer one that the text
// copy's CREATE TABLE names ("[name] M").
void NoteCutFreeFieldNames(std::vector<ColumnPlan>& columns) {
  constexpr std::size_t kFreeFieldName = 10;
  for (ColumnPlan& column : columns) {
    const std::size_t close = column.target.find(']');
    if (!column.target.starts_with('[') || close == std::string::npos || close - 1 <= kFreeFieldName) continue;
    Add(column.notes, "name shortened to " + column.target.substr(1, kFreeFieldName));
  }
}

// The names the schema's constraints and indexes hold when each table's keys are made: those
// of the schema now, less those of the tables the run drops, plus those it has made so far.
class OracleKeyNames {
 public:
  explicit OracleKeyNames(ado::Connection& oracle) : m_oracle(oracle) {}
  void Dropped(const std::string& table) {
    for (std::string& name : OracleKeyNamesOf(m_oracle, table)) m_dropped.push_back(std::move(name));
  }
  std::vector<std::string> Taken() {
    if (!m_inUse) m_inUse = OracleNamesInUse(m_oracle);
    std::vector<std::string> taken;
    for (const std::string& name : *m_inUse) {
      if (std::find(m_dropped.begin(), m_dropped.end(), name) == m_dropped.end()) taken.push_back(name);
    }
    taken.insert(taken.end(), m_made.begin(), m_made.end());
    return taken;
  }
  void Made(const KeyPlan& plan) {
    for (const CarriedKey& key : plan.carried) m_made.push_back(key.name);
  }

 private:
  ado::Connection& m_oracle;
  std::optional<std::vector<std::string>> m_inUse;  // read once, when a table first has tags
  std::vector<std::string> m_dropped;
  std::vector<std::string> m_made;
};

// The relations' lines go with their child tables' keys.
void AddRelationLines(std::vector<TablePlan>& plan, const RelationPlan& relations) {
  for (TablePlan& table : plan) {
    for (std::string& line : RelationPlanLines(relations, table.source)) table.keys.push_back(std::move(line));
  }
}

}  // namespace

std::vector<TablePlan> PlanSendToOracle(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables, const PlanChoices& choices) {
  ado::Connection foxPro;
  connections::OpenFoxPro(foxPro, fields);
  // Oracle is read too: the keys' names must be free in its schema.
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(connections::OracleConnectionString(fields));
  OracleKeyNames keyNames(oracle);
  std::vector<TablePlan> plan;
  std::vector<SentFoxProTable> sent;
  for (const std::string& name : tables) {
    // The run's own name for the table: a typed copy's is Oracle's (OracleTableName).
    std::string wanted = name;
    std::string unnamed;  // why the table has no Oracle name, for its plan
    try {
      if (choices.keepTypes) wanted = OracleTableName(foxPro, name);
    } catch (const std::exception& failure) {
      unnamed = failure.what();
    }
    const std::optional<std::string> listed = ListedSpelling(choices.targetTables, wanted);
    const std::string target = listed.value_or(wanted);
    const std::optional<ExistingTarget> existing =
        listed ? std::optional<ExistingTarget>(choices.existing) : std::nullopt;
    plan.push_back(PlanTable(name, target, existing, [&](TablePlan& table) {
      if (!unnamed.empty()) throw ado::Failure(unnamed);
      if (choices.keepTypes && wanted != target) table.keys.push_back(KeptSpellingNote(wanted, target));
      if (Replaced(existing)) {
        table.statements.push_back(OracleDropStatement(target, choices.keepTypes));
        if (choices.keepTypes) keyNames.Dropped(target);
      }
      if (!choices.keepTypes) {
        PlanTextColumns(table, foxPro, "SELECT * FROM `" + name + "`", "CREATE TABLE " + Quoted(target) + "(", ")",
                        OracleTextColumn);
        return;
      }
      std::vector<FoxProColumn> columns;
      {
        ado::Recordset records;  // a server-side read: its fields, no rows
        records.Open("SELECT * FROM `" + name + "`", foxPro);
        columns = DeclaredColumnsOf(records);
        records.Close();
      }
      FindFractions(foxPro, name, columns);
      const std::string tableComment = ReadFoxProDeclarations(foxPro, name, columns);
      table.statements.push_back(OracleCreateStatement(target, columns));
      for (const FoxProColumn& column : columns) {
        table.statements.push_back(OracleCommentStatement(target, column));
        table.columns.push_back({column.foxProName + " " + FoxProTypeText(column.field),
                                 OracleDeclaredColumnClause(column), OracleSideNotes(column)});
      }
      const std::vector<FoxProTag> tags = ReadFoxProTags(foxPro, name);
      sent.push_back({name, target, tags, columns});
      KeyPlan keys;
      if (!tags.empty()) {
        keys = KeysForOracle(target, tags, columns, keyNames.Taken(), ContainerNameRecord(foxPro, name));
        keyNames.Made(keys);
        for (std::string& line : KeyPlanLines(keys)) table.keys.push_back(std::move(line));
      }
      const std::string comment = OracleTableComment(tableComment, KeyRecord(keys));
      if (!comment.empty()) table.statements.push_back(OracleTableCommentStatement(target, comment));
    }));
  }
  const std::vector<FoxProRelation> relations =
      choices.keepTypes ? ReadFoxProRelations(foxPro) : std::vector<FoxProRelation>{};
  // Without relations the schema's names need not be read.
  if (!relations.empty()) AddRelationLines(plan, ForeignKeysForOracle(relations, sent, keyNames.Taken()));
  oracle.Close();
  foxPro.Close();
  return plan;
}

std::vector<TablePlan> PlanSendToFoxPro(const connections::ConnectionFields& fields,
                                        const std::vector<std::string>& tables, const PlanChoices& choices) {
  ado::Connection oracle;
  oracle.CursorLocation = ado::adUseClient;
  oracle.Open(connections::OracleConnectionString(fields));
  std::vector<TablePlan> plan;
  std::vector<SentOracleTable> sent;
  for (const std::string& name : tables) {
    const std::optional<std::string> listed =
        ListedSpelling(choices.targetTables, choices.keepTypes ? FoxProTableName(name) : name);
    const std::string target = listed.value_or(choices.keepTypes ? FoxProTableName(name) : name);
    const std::string path = FoxProTablePath(target, fields.DbcMode() ? kDbcFileMode : kFreeTableFolderMode,
                                             fields.DbcFile(), fields.FreeTableFolder());
    // A file the list does not show is asked about all the same.
    const std::optional<ExistingTarget> existing =
        listed || FindFileIgnoringCase(path) ? std::optional<ExistingTarget>(choices.existing) : std::nullopt;
    plan.push_back(PlanTable(name, path, existing, [&](TablePlan& table) {
      if (Replaced(existing)) table.statements.push_back("DROP TABLE `" + target + "`");
      if (!choices.keepTypes) {
        PlanTextColumns(table, oracle, "SELECT * FROM " + Quoted(name), "CREATE TABLE '" + path + "'(", ");",
                        FoxProTextColumn);
        if (!fields.DbcMode()) NoteCutFreeFieldNames(table.columns);
      } else {
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
                                   FoxProSideNotes(column, fields.CodePage(), rounded[c], fields.DbcMode())});
        }
        const KeyPlan keys = PlanKeysToFoxPro(oracle, name, columns, path, fields.DbcMode());
        table.keys = KeyPlanLines(keys);
        std::vector<std::string> notCarried;
        const foxpro::TableDeclaration declared =
            ReadOracleDeclaration(oracle, name, columns, KeyNamePairs(keys), notCarried);
        const std::vector<std::string> said = fields.DbcMode() ? notCarried : LostInAFreeTable(declared);
        table.keys.insert(table.keys.end(), said.begin(), said.end());
        // What of Oracle's names the FoxPro table cannot hold, and whether it goes back.
        const NameRecord names = OracleNamesToRecord(name, columns, KeyNamePairs(keys));
        if (!names.Empty()) {
          table.keys.push_back((fields.DbcMode() ? "the container records " : "lost in a free table: ") +
                               WithNameRecord({}, NameSide::Oracle, names));
        }
        sent.push_back({name, path, TagsOfStatements(keys.carried), columns});
      }
      table.refusal = FoxProRefusal(table.statements.back());
    }));
  }
  if (choices.keepTypes)
    AddRelationLines(plan, RelationsForFoxPro(ReadOracleForeignKeys(oracle), sent, fields.DbcMode()));
  oracle.Close();
  return plan;
}

std::string PlanText(const std::vector<TablePlan>& plan) {
  std::string text;
  for (const TablePlan& table : plan) {
    text += "Table " + table.source + " -> " + table.target + "\n";
    if (table.existing) {
      switch (*table.existing) {
        case ExistingTarget::Replace:
          text += "  exists; will be replaced\n";
          break;
        case ExistingTarget::Keep:
          text += "  exists; will be kept\n";
          break;
        case ExistingTarget::Ask:
          text += "  exists; the run asks whether to replace it (planned as yes)\n";
          break;
        case ExistingTarget::KeepUnasked:
          text += "  exists; will be kept (exit 1): use --overwrite=yes to replace it\n";
          break;
      }
    }
    if (Kept(table.existing)) {
      text += "\n";
      continue;
    }
    if (!table.failure.empty()) {
      text += "  cannot be read: " + table.failure + "\n\n";
      continue;
    }
    if (!table.refusal.empty()) text += "  will not be created (exit 1): " + table.refusal + "\n";
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

bool PlanFails(const std::vector<TablePlan>& plan) {
  return std::any_of(plan.begin(), plan.end(), [](const TablePlan& table) {
    return !table.failure.empty() || !table.refusal.empty() || table.existing == ExistingTarget::KeepUnasked;
  });
}

}  // namespace transfer
