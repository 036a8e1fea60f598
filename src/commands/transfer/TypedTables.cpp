#include "commands/transfer/TypedTables.h"

#include <memory>
#include <optional>

#include "commands/transfer/DecimalText.h"
#include "commands/transfer/FieldDeclarations.h"
#include "commands/transfer/FoxProNames.h"
#include "commands/transfer/OracleValues.h"
#include "commands/transfer/SqlHelpers.h"
#include "connections/NameRules.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Types.h"
#include "platform/foxpro/sql/FoxProSession.h"
#include "platform/foxpro/tables/Calendar.h"
#include "platform/foxpro/tables/TableNames.h"

namespace transfer {
namespace {

constexpr std::size_t kFreeTableNameLength = 10;
constexpr std::size_t kContainerNameLength = 128;
// Oracle's times at microseconds, so that a rounding to milliseconds can be seen and counted.
constexpr const char* kTimestampText = "'YYYY-MM-DD HH24:MI:SS.FF6'";

std::string Markers(std::size_t count) {
  std::string markers;
  for (std::size_t k = 0; k < count; ++k) markers += k == 0 ? "?" : ", ?";
  return markers;
}

std::string OracleText(const std::string& text) {
  std::string literal = "'";
  AppendDoubledApostrophes(literal, text);
  return literal + "'";
}

// A dictionary number read by position: Oracle gives NUMBER, the driver some numeric kind.
std::optional<int> DictionaryNumber(const ado::Value& value) {
  const std::optional<DecimalDigits> digits = DecimalOf(value);
  if (!digits || !digits->fraction.empty() || digits->integer.size() > 9) return std::nullopt;
  const int magnitude = digits->integer.empty() ? 0 : std::stoi(digits->integer);
  return digits->negative ? -magnitude : magnitude;
}

std::string DictionaryText(const ado::Value& value) { return value.IsNull() ? std::string() : ado::ValueToText(value); }

// Rows of a statement, read front to back without holding them.
std::unique_ptr<ado::Recordset> Stream(ado::Connection& connection, const std::string& sql) {
  const int location = connection.CursorLocation;
  connection.CursorLocation = ado::adUseServer;
  auto records = std::make_unique<ado::Recordset>();
  try {
    records->Open(sql, connection);
  } catch (...) {
    connection.CursorLocation = location;
    throw;
  }
  connection.CursorLocation = location;
  return records;
}

// Field names FoxPro takes: blanks and slashes as "_", then cut to the table's length.
std::vector<std::string> FoxProNamesOf(const std::vector<MappedColumn>& columns, bool freeTable) {
  std::vector<std::string> names;
  for (const MappedColumn& column : columns) {
    const std::string bracketed = FoxProColumnName(FoxProNameOf(column.oracle.name));
    names.push_back(bracketed.substr(1, bracketed.size() - 2));
  }
  return ShortenedFieldNames(names, freeTable ? kFreeTableNameLength : kContainerNameLength);
}

void ScanUnsizedNumbers(ado::Connection& oracle, const std::string& source, std::vector<MappedColumn>& columns) {
  std::vector<std::size_t> scanned;
  std::string list;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].mapping.readAs != ReadAs::ScanFirst) continue;
    list += (scanned.empty() ? "" : ", ") + Quoted(columns[c].oracle.name);
    scanned.push_back(c);
  }
  if (scanned.empty()) return;
  std::vector<NumberFieldScan> scans(scanned.size());
  const std::unique_ptr<ado::Recordset> rows = Stream(oracle, "SELECT " + list + " FROM " + Quoted(source));
  for (; !rows->Eof(); rows->MoveNext()) {
    for (std::size_t k = 0; k < scanned.size(); ++k) scans[k].Add(rows->Fields(static_cast<int>(k)).Value);
  }
  rows->Close();
  for (std::size_t k = 0; k < scanned.size(); ++k) {
    FoxProMapping& mapping = columns[scanned[k]].mapping;
    mapping.field = scans[k].Narrowest();
    mapping.field.nullable = columns[scanned[k]].oracle.nullable;
    mapping.readAs = ReadAs::Value;
    mapping.note = mapping.field.typeLetter == 'C'
                       ? "C holding the exact digits: no FoxPro number holds every value"
                       : "chosen from the values: " + FoxProTypeText(mapping.field) + " holds every one exactly";
  }
}

}  // namespace

std::vector<FoxProColumn> DeclaredColumnsOf(const ado::Recordset& records) {
  std::vector<FoxProColumn> columns;
  for (int f = 0; f < records.FieldCount(); ++f) {
    const ado::Field& field = records.Fields(f);
    if (field.Declared.typeLetter == 0) {
      throw ado::Failure("The FoxPro provider does not declare the type of field " + field.Name);
    }
    columns.push_back({field.Name, field.Declared, false, 0, {}, field.Name});
  }
  return columns;
}

void FindFractions(ado::Connection& foxPro, const std::string& table, std::vector<FoxProColumn>& columns) {
  std::vector<std::size_t> times;
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (columns[c].field.typeLetter == 'T') times.push_back(c);
  }
  if (times.empty()) return;
  // The engine reads whole rows; the T fields are picked by their place.
  const std::unique_ptr<ado::Recordset> rows = Stream(foxPro, "SELECT * FROM `" + table + "`");
  for (; !rows->Eof(); rows->MoveNext()) {
    for (const std::size_t c : times) {
      const ado::Value& value = rows->Fields(static_cast<int>(c)).Value;
      if (!value.Is<ado::DateTime>()) continue;
      const ado::DateTime meant = foxpro::WholeSecondOfNoise(value.As<ado::DateTime>());
      if (meant.millisecond != 0) columns[c].hasFraction = true;
      if (!(meant == value.As<ado::DateTime>())) ++columns[c].roundedByRule;
    }
  }
  rows->Close();
}

namespace {

std::optional<std::string> Kept(const std::string& text) {
  if (text.empty()) return std::nullopt;
  return text;
}

// FoxPro evaluates a field's rule, default and rule text, so what an Oracle comment gives back
// must be of the forms that carry nothing else: the column comment keeps a rule or a default
// that Oracle holds but would spell otherwise, and a rule text that is one text literal.
std::optional<std::string> RespelledRule(const FoxProColumn& column) {
  const std::string& rule = column.declaration.rule;
  const std::optional<std::string> check = OracleCheckFor(rule, column.foxProName, column.name, column.field);
  if (!check || FoxProRuleFor(*check, column.foxProName, column.field) == rule) return std::nullopt;
  return rule;
}

std::optional<std::string> RespelledDefault(const FoxProColumn& column) {
  const std::string& value = column.declaration.defaultValue;
  const std::optional<std::string> oracle = OracleDefaultFor(value, column.field);
  if (!oracle || column.field.autoIncrement || FoxProDefaultFor(*oracle, column.field) == value) return std::nullopt;
  return value;
}

FoxProColumnNote NoteOf(const FoxProColumn& column, bool notNull) {
  const foxpro::FieldDeclaration& declared = column.declaration;
  FoxProColumnNote note{column.field, notNull, Kept(declared.caption), declared.comment};
  note.format = Kept(declared.format);
  note.inputMask = Kept(declared.inputMask);
  if (IsFoxProTextLiteral(declared.ruleText)) note.message = declared.ruleText;
  note.rule = RespelledRule(column);
  note.defaultValue = RespelledDefault(column);
  return note;
}

}  // namespace

NameRecord ContainerNameRecord(ado::Connection& foxPro, const std::string& table) {
  foxpro::DbcCatalog* container = foxpro::FoxProSession::ContainerOf(foxPro);
  if (container == nullptr) return {};
  return SplitNameRecord(container->Declaration(table).comment, NameSide::Oracle).names;
}

std::string KeptSpellingNote(const std::string& name, const std::string& kept) {
  if (name == kept) return {};
  return "table " + kept + " keeps its letter case: Oracle holds it so, and a new " + name +
         " beside it would be a second table of that name";
}

std::string OracleTableName(ado::Connection& foxPro, const std::string& table) {
  // The run checks the name as it checks every target's (RequireOracleIdentifier).
  return ContainerNameRecord(foxPro, table).table.value_or(OracleNameOf(table));
}

std::string ReadFoxProDeclarations(ado::Connection& foxPro, const std::string& table,
                                   std::vector<FoxProColumn>& columns) {
  foxpro::DbcCatalog* container = foxpro::FoxProSession::ContainerOf(foxPro);
  const foxpro::TableDeclaration declaration =
      container == nullptr ? foxpro::TableDeclaration{} : container->Declaration(table);
  const RecordedComment recorded = SplitNameRecord(declaration.comment, NameSide::Oracle);
  for (FoxProColumn& column : columns) {
    column.name = recorded.names.Field(column.foxProName).value_or(OracleNameOf(column.foxProName));
    connections::RequireOracleIdentifier(column.name);  // a recorded name is the container's text
    for (const foxpro::FieldDeclaration& field : declaration.fields) {
      if (foxpro::EqualsIgnoringCase(field.name, column.foxProName)) column.declaration = field;
    }
  }
  return recorded.comment;
}

std::string OracleDeclaredColumnClause(const FoxProColumn& column) {
  const foxpro::FieldDeclaration& declared = column.declaration;
  std::string clause = OracleColumnClause(column.name, column.field, column.hasFraction,
                                          OracleDefaultFor(declared.defaultValue, column.field).value_or(""));
  if (const std::optional<std::string> check =
          OracleCheckFor(declared.rule, column.foxProName, column.name, column.field)) {
    clause += " CHECK (" + *check + ")";
  }
  return clause;
}

std::vector<std::string> NotCarriedToOracle(const FoxProColumn& column) {
  const foxpro::FieldDeclaration& declared = column.declaration;
  std::vector<std::string> lines;
  const std::string field = "field " + column.foxProName + ": ";
  if (!declared.defaultValue.empty() &&
      (!OracleDefaultFor(declared.defaultValue, column.field) || column.field.autoIncrement)) {
    lines.push_back(field + "default " + declared.defaultValue + " not carried: no literal Oracle takes alike");
  }
  if (!declared.rule.empty() && !OracleCheckFor(declared.rule, column.foxProName, column.name, column.field)) {
    lines.push_back(field + "rule " + declared.rule + " not carried: not a comparison with literals");
  }
  if (!declared.ruleText.empty()) {
    lines.push_back(field + "rule text " + declared.ruleText + " not carried: Oracle shows no text of a CHECK" +
                    (IsFoxProTextLiteral(declared.ruleText) ? "; the column comment keeps it for the way back" : ""));
  }
  bool cut = false;
  FoxProColumnNoteText(NoteOf(column, true), &cut);
  if (cut) lines.push_back(field + "comment cut to Oracle's " + std::to_string(kOracleCommentBytes) + " bytes");
  return lines;
}

std::string OracleCreateStatement(const std::string& target, const std::vector<FoxProColumn>& columns) {
  std::string sql = "CREATE TABLE " + Quoted(target) + "(";
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) sql += ", ";
    sql += OracleDeclaredColumnClause(columns[c]);
  }
  return sql + ")";
}

std::string OracleCommentStatement(const std::string& target, const FoxProColumn& column, bool notNull) {
  return "COMMENT ON COLUMN " + Quoted(target) + "." + Quoted(column.name) + " IS " +
         OracleText(FoxProColumnNoteText(NoteOf(column, notNull)));
}

std::string OracleTableCommentStatement(const std::string& target, const std::string& comment) {
  return "COMMENT ON TABLE " + Quoted(target) + " IS " + OracleText(comment);
}

std::string OracleInsertStatement(const std::string& target, std::size_t columns) {
  return "INSERT INTO " + Quoted(target) + " VALUES(" + Markers(columns) + ")";
}

std::vector<MappedColumn> MapOracleTable(ado::Connection& oracle, const std::string& source, bool freeTable) {
  std::vector<MappedColumn> columns;
  ado::Recordset dictionary;
  dictionary.Open(
      "SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE, CHAR_LENGTH, NULLABLE "
      "FROM USER_TAB_COLUMNS "
      "WHERE TABLE_NAME = " +
          OracleText(source) + " ORDER BY COLUMN_ID",
      oracle, ado::adOpenStatic);
  for (; !dictionary.Eof(); dictionary.MoveNext()) {
    OracleColumn column;
    column.name = DictionaryText(dictionary.Fields(0).Value);
    column.dataType = DictionaryText(dictionary.Fields(1).Value);
    column.dataLength = DictionaryNumber(dictionary.Fields(2).Value).value_or(0);
    column.precision = DictionaryNumber(dictionary.Fields(3).Value);
    column.scale = DictionaryNumber(dictionary.Fields(4).Value);
    column.charLength = DictionaryNumber(dictionary.Fields(5).Value).value_or(0);
    // Oracle makes a primary key's columns NOT NULL: this covers them too.
    column.nullable = DictionaryText(dictionary.Fields(6).Value) != "N";
    columns.push_back({column, {}, {}});
  }
  dictionary.Close();
  if (columns.empty()) throw ado::Failure("Oracle's dictionary lists no columns of table " + source);
  dictionary.Open("SELECT COLUMN_NAME, COMMENTS FROM USER_COL_COMMENTS WHERE TABLE_NAME = " + OracleText(source),
                  oracle, ado::adOpenStatic);
  for (; !dictionary.Eof(); dictionary.MoveNext()) {
    const std::string name = DictionaryText(dictionary.Fields(0).Value);
    for (MappedColumn& column : columns) {
      if (column.oracle.name == name) column.oracle.comment = DictionaryText(dictionary.Fields(1).Value);
    }
  }
  dictionary.Close();
  for (MappedColumn& column : columns) column.mapping = FoxProFieldFor(column.oracle);
  ScanUnsizedNumbers(oracle, source, columns);
  const std::vector<std::string> names = FoxProNamesOf(columns, freeTable);
  for (std::size_t c = 0; c < columns.size(); ++c) columns[c].foxProName = names[c];
  return columns;
}

std::string FoxProTableName(const std::string& source) { return FoxProNameOf(source); }

NameRecord OracleNamesToRecord(const std::string& source, const std::vector<MappedColumn>& columns,
                               const std::vector<NamePair>& keys) {
  NameRecord record;
  if (OracleNameOf(FoxProTableName(source)) != source) record.table = source;
  for (const MappedColumn& column : columns) {
    if (OracleNameOf(column.foxProName) != column.oracle.name)
      record.fields.push_back({column.foxProName, column.oracle.name});
  }
  for (const NamePair& key : keys) {
    if (OracleNameOf(key.here) != key.there) record.keys.push_back(key);
  }
  return record;
}

std::string OracleSelectStatement(const std::string& source, const std::vector<MappedColumn>& columns) {
  std::string sql = "SELECT ";
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) sql += ", ";
    const std::string name = Quoted(columns[c].oracle.name);
    const bool timestamp = columns[c].oracle.dataType.rfind("TIMESTAMP", 0) == 0;
    // A time read as text keeps its column's name, for whoever reports on the rows.
    if (columns[c].mapping.readAs == ReadAs::Utc) {
      sql += "TO_CHAR(" + name + " AT TIME ZONE 'UTC', " + kTimestampText + ") AS " + name;
    } else if (timestamp) {
      sql += "TO_CHAR(" + name + ", " + kTimestampText + ") AS " + name;
    } else {
      sql += name;
    }
  }
  return sql + " FROM " + Quoted(source);
}

std::string FoxProCreateStatement(const std::string& tablePath, int codePage,
                                  const std::vector<MappedColumn>& columns) {
  std::string sql = "CREATE TABLE '" + tablePath + "' CODEPAGE=" + std::to_string(codePage) + " (";
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (c > 0) sql += ", ";
    sql += FoxProFieldClause(columns[c].foxProName, columns[c].mapping.field);
  }
  return sql + ")";
}

std::string FoxProInsertStatement(const std::string& tablePath, std::size_t columns) {
  return "INSERT INTO '" + tablePath + "' VALUES(" + Markers(columns) + ")";
}

}  // namespace transfer
