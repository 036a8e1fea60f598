#include "commands/transfer/KeyTransfer.h"

#include <cstdlib>
#include <memory>

#include "commands/transfer/OracleValues.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"

namespace transfer {
namespace {

// ---- Reading both sides

// The names of the constraints and indexes the condition picks.
std::vector<std::string> ConstraintAndIndexNames(ado::Connection& oracle, const std::string& where) {
  std::vector<std::string> names;
  for (const auto& row : DictionaryRows(oracle, "SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS" + where))
    names.push_back(row[0]);
  for (const auto& row : DictionaryRows(oracle, "SELECT INDEX_NAME FROM USER_INDEXES" + where)) names.push_back(row[0]);
  return names;
}

std::vector<OracleKey> ReadOracleKeys(ado::Connection& oracle, const std::string& table) {
  const std::string where = " WHERE TABLE_NAME = " + OracleText(table);
  std::vector<OracleKey> keys;
  const auto keyNamed = [&](const std::string& name) -> OracleKey* {
    for (OracleKey& key : keys) {
      if (key.name == name) return &key;
    }
    return nullptr;
  };
  for (const auto& row : DictionaryRows(oracle, "SELECT CONSTRAINT_NAME, CONSTRAINT_TYPE FROM USER_CONSTRAINTS" +
                                                    where + " AND CONSTRAINT_TYPE IN ('P', 'U') ORDER BY 2, 1")) {
    keys.push_back({row[0], row[1] == "P" ? KeyKind::Primary : KeyKind::Unique, {}, false});
  }
  for (const auto& row : DictionaryRows(oracle, "SELECT CONSTRAINT_NAME, COLUMN_NAME FROM USER_CONS_COLUMNS" + where +
                                                    " ORDER BY CONSTRAINT_NAME, POSITION")) {
    if (OracleKey* key = keyNamed(row[0])) key->columns.push_back(row[1]);
  }
  // An index that backs a constraint has its name and is carried as the constraint.
  const std::size_t constraints = keys.size();
  for (const auto& row :
       DictionaryRows(oracle, "SELECT INDEX_NAME, UNIQUENESS FROM USER_INDEXES" + where + " ORDER BY INDEX_NAME")) {
    if (keyNamed(row[0]) == nullptr)
      keys.push_back({row[0], row[1] == "UNIQUE" ? KeyKind::Unique : KeyKind::Plain, {}, false});
  }
  for (const auto& row : DictionaryRows(oracle, "SELECT INDEX_NAME, COLUMN_NAME, DESCEND FROM USER_IND_COLUMNS" +
                                                    where + " ORDER BY INDEX_NAME, COLUMN_POSITION")) {
    OracleKey* key = keyNamed(row[0]);
    if (key == nullptr || key < keys.data() + constraints) continue;
    key->columns.push_back(row[1]);
    key->descending = key->descending || row[2] == "DESC";
  }
  // A function-based part reads as a system name in USER_IND_COLUMNS; its expression is here.
  for (const auto& row : DictionaryRows(oracle,
                                        "SELECT INDEX_NAME, COLUMN_POSITION, COLUMN_EXPRESSION "
                                        "FROM USER_IND_EXPRESSIONS" +
                                            where)) {
    OracleKey* key = keyNamed(row[0]);
    const std::size_t position = static_cast<std::size_t>(std::strtoul(row[1].c_str(), nullptr, 10));
    if (key != nullptr && position >= 1 && position <= key->columns.size()) key->columns[position - 1] = row[2];
  }
  return keys;
}

// The first values that more than one row of target holds in columns, as text; empty when none.
std::string FirstDuplicate(ado::Connection& oracle, const std::string& target,
                           const std::vector<std::string>& columns) {
  std::vector<std::string> quoted;
  for (const std::string& column : columns) quoted.push_back(Quoted(column));
  const std::string list = Joined(quoted, ", ");
  const auto rows = DictionaryRows(oracle, "SELECT " + list + ", COUNT(*) FROM " + Quoted(target) + " WHERE " +
                                               Joined(quoted, " IS NOT NULL AND ") + " IS NOT NULL GROUP BY " + list +
                                               " HAVING COUNT(*) > 1 ORDER BY " + list);
  if (rows.empty()) return {};
  std::vector<std::string> values;
  for (std::size_t c = 0; c < columns.size(); ++c) values.push_back(OracleText(rows[0][c]));
  return "(" + Joined(values, ", ") + ") in " + rows[0][columns.size()] + " rows";
}

// Runs each carried key's statement; the failures, one line each, in one report at the end.
template <typename Run, typename Explain>
void MakeKeys(TypedCopyParts& parts, const std::string& table, const KeyPlan& plan, Run run, Explain explain) {
  if (parts.observer != nullptr) {
    for (const std::string& line : plan.notCarried) parts.observer->Note(table + ": " + line);
  }
  std::vector<std::string> failures;
  std::string failedStatement;
  for (const CarriedKey& key : plan.carried) {
    try {
      run(key.statement);
    } catch (const ado::Failure& failure) {
      failures.push_back(explain(key, failure.Description()));
      if (failedStatement.empty()) failedStatement = key.statement;
    }
  }
  if (failures.empty()) return;
  parts.sql = failedStatement;
  throw ado::Failure("The rows of table " + table + " stay, without these keys: " + Joined(failures, "; "));
}

}  // namespace

std::string OracleText(const std::string& text) {
  std::string literal = "'";
  AppendDoubledApostrophes(literal, text);
  return literal + "'";
}

std::string TextOf(const ado::Value& value) { return value.IsNull() ? std::string() : ado::ValueToText(value); }

// The rows of a dictionary query, each as texts (Oracle's labels are read by position).
std::vector<std::vector<std::string>> DictionaryRows(ado::Connection& oracle, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  ado::Recordset records;
  records.Open(sql, oracle, ado::adOpenStatic);
  for (; !records.Eof(); records.MoveNext()) {
    std::vector<std::string> row;
    for (int f = 0; f < records.FieldCount(); ++f) row.push_back(TextOf(records.Fields(f).Value));
    rows.push_back(std::move(row));
  }
  records.Close();
  return rows;
}

std::vector<FoxProTag> ReadFoxProTags(ado::Connection& foxPro, const std::string& table) {
  std::vector<FoxProTag> tags;
  const std::unique_ptr<ado::Recordset> rows = foxPro.OpenIndexesSchema(table);
  const auto flag = [&](const char* name) {
    const ado::Value& value = rows->Fields(name).Value;
    return value.Is<bool>() && value.As<bool>();
  };
  for (; !rows->Eof(); rows->MoveNext()) {
    tags.push_back({TextOf(rows->Fields("INDEX_NAME").Value), TextOf(rows->Fields("EXPRESSION").Value),
                    TextOf(rows->Fields("FILTER").Value), flag("DESCENDING"), flag("PRIMARY_KEY"), flag("CANDIDATE"),
                    flag("UNIQUE")});
  }
  rows->Close();
  return tags;
}

// Oracle keeps tables apart from indexes and constraints: a key may take a table's name.
std::vector<std::string> OracleNamesInUse(ado::Connection& oracle) { return ConstraintAndIndexNames(oracle, ""); }

std::vector<std::string> OracleKeyNamesOf(ado::Connection& oracle, const std::string& table) {
  return ConstraintAndIndexNames(oracle, " WHERE TABLE_NAME = " + OracleText(table));
}

NameRecord OracleNameRecord(ado::Connection& oracle, const std::string& table) {
  const auto rows =
      DictionaryRows(oracle, "SELECT COMMENTS FROM USER_TAB_COMMENTS WHERE TABLE_NAME = " + OracleText(table));
  return rows.empty() ? NameRecord{} : SplitNameRecord(rows[0][0], NameSide::FoxPro).names;
}

KeyPlan PlanKeysToOracle(ado::Connection& foxPro, const std::string& table, const std::vector<FoxProColumn>& columns,
                         ado::Connection& oracle, const std::string& target) {
  const std::vector<FoxProTag> tags = ReadFoxProTags(foxPro, table);
  if (tags.empty()) return {};  // nothing to name: the schema's names need not be read
  return KeysForOracle(target, tags, columns, OracleNamesInUse(oracle), ContainerNameRecord(foxPro, table));
}

KeyPlan PlanKeysToFoxPro(ado::Connection& oracle, const std::string& source, const std::vector<MappedColumn>& columns,
                         const std::string& tablePath, bool container) {
  return KeysForFoxPro(tablePath, container, ReadOracleKeys(oracle, source), columns, OracleNameRecord(oracle, source));
}

void CarryKeysToOracle(TypedCopyParts& parts, ado::Connection& foxPro, const std::string& table,
                       const std::vector<FoxProColumn>& columns, ado::Connection& oracle, const std::string& target,
                       NameRecord& keyRecord) {
  parts.sql.clear();  // no statement of the rows' is to blame for what reading the keys meets
  const KeyPlan plan = PlanKeysToOracle(foxPro, table, columns, oracle, target);
  keyRecord = KeyRecord(plan);
  MakeKeys(
      parts, target, plan, [&](const std::string& sql) { ExecuteSql(oracle, sql); },
      [&](const CarriedKey& key, const std::string& message) {
        const std::string duplicate = key.columns.empty() ? "" : FirstDuplicate(oracle, target, key.columns);
        return "key " + key.name + (duplicate.empty() ? " failed: " + message : " has the duplicate " + duplicate);
      });
}

void CarryKeysToFoxPro(TypedCopyParts& parts, ado::Connection& oracle, const std::string& source,
                       const std::vector<MappedColumn>& columns, ado::Connection& foxPro, const std::string& tablePath,
                       bool container) {
  parts.sql.clear();  // no statement of the rows' is to blame for what reading the keys meets
  const KeyPlan plan = PlanKeysToFoxPro(oracle, source, columns, tablePath, container);
  // The engine's failure names the key and its first duplicate value.
  MakeKeys(
      parts, tablePath, plan, [&](const std::string& sql) { ExecuteSql(foxPro, sql); },
      [](const CarriedKey& key, const std::string& message) { return "tag " + key.name + ": " + message; });
}

}  // namespace transfer
