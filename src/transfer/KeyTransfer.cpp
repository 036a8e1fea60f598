#include "transfer/KeyTransfer.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <regex>

#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "transfer/OracleValues.h"
#include "transfer/SqlHelpers.h"

namespace transfer {
namespace {

constexpr std::size_t kTagNameLength = 10;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

bool Taken(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return Upper(n) == Upper(name); });
}

// The name itself when free, else the name with the first suffix that is; then it is taken.
std::string UniqueName(const std::string& name, std::vector<std::string>& taken, std::size_t maxLength) {
  std::string unique = name.substr(0, maxLength);
  for (int n = 2; Taken(taken, unique); ++n) {
    const std::string suffix = "_" + std::to_string(n);
    unique = name.substr(0, maxLength - suffix.size()) + suffix;
  }
  taken.push_back(unique);
  return unique;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

std::string OracleText(const std::string& text) {
  std::string literal = "'";
  AppendDoubledApostrophes(literal, text);
  return literal + "'";
}

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (std::size_t k = 0; k < parts.size(); ++k) text += (k == 0 ? "" : separator) + parts[k];
  return text;
}

bool IsCharacter(char type) { return type == 'C' || type == 'V'; }
bool IsIndexable(char type) { return std::string_view("CVNFIBYDTL").find(type) != std::string_view::npos; }

// The UPPER(name) form of a one-field key in either dialect, with the name in group 1.
const std::regex& UpperForm() {
  static const std::regex form(R"re(^\s*UPPER\s*\(\s*"?([A-Za-z_][A-Za-z0-9_$#]*)"?\s*\)\s*$)re", std::regex::icase);
  return form;
}

// The position of the column named (any letter case), or none.
template <typename Column, typename NameOf>
std::optional<std::size_t> FindColumn(const std::vector<Column>& columns, const std::string& name, NameOf nameOf) {
  for (std::size_t c = 0; c < columns.size(); ++c) {
    if (Upper(nameOf(columns[c])) == Upper(name)) return c;
  }
  return std::nullopt;
}

std::string KindText(KeyKind kind) {
  return kind == KeyKind::Primary ? "primary key" : kind == KeyKind::Unique ? "unique key" : "index";
}

// ---- FoxPro tags to Oracle

// The Oracle columns of a tag's fields: one field of any indexable type, or character fields
// joined by "+". None for any other expression.
std::optional<std::vector<std::string>> OracleKeyColumns(const std::string& expression,
                                                         const std::vector<FoxProColumn>& columns) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (;;) {
    const std::size_t plus = expression.find('+', start);
    names.push_back(Trimmed(expression.substr(start, plus == std::string::npos ? std::string::npos : plus - start)));
    if (plus == std::string::npos) break;
    start = plus + 1;
  }
  std::vector<std::string> keyColumns;
  for (const std::string& name : names) {
    const auto c = FindColumn(columns, name, [](const FoxProColumn& col) { return col.name; });
    if (!c) return std::nullopt;
    const char type = columns[*c].field.typeLetter;
    if (names.size() > 1 ? !IsCharacter(type) : !IsIndexable(type)) return std::nullopt;
    keyColumns.push_back(columns[*c].name);
  }
  return keyColumns;
}

KeyKind KindOf(const FoxProTag& tag) {
  if (tag.primary) return KeyKind::Primary;
  return tag.candidate || tag.unique ? KeyKind::Unique : KeyKind::Plain;
}

std::string OracleKeyStatement(const std::string& target, KeyKind kind, const std::string& name,
                               const std::vector<std::string>& columns) {
  std::vector<std::string> quoted;
  for (const std::string& column : columns) quoted.push_back(Quoted(column));
  const std::string list = "(" + Joined(quoted, ", ") + ")";
  if (kind == KeyKind::Plain) return "CREATE INDEX " + Quoted(name) + " ON " + Quoted(target) + " " + list;
  return "ALTER TABLE " + Quoted(target) + " ADD CONSTRAINT " + Quoted(name) +
         (kind == KeyKind::Primary ? " PRIMARY KEY " : " UNIQUE ") + list;
}

// ---- Oracle keys to FoxPro

// The FoxPro key expression of an Oracle key's parts, or the reason it has none.
std::string FoxProKeyExpression(const OracleKey& key, const std::vector<MappedColumn>& columns, std::string& reason) {
  std::smatch upper;
  if (key.columns.size() == 1 && std::regex_match(key.columns[0], upper, UpperForm())) {
    const auto c = FindColumn(columns, upper[1].str(), [](const MappedColumn& col) { return col.oracle.name; });
    if (c && IsCharacter(columns[*c].mapping.field.typeLetter)) return "UPPER(" + columns[*c].foxProName + ")";
    reason = "an expression FoxPro has no key for";
    return {};
  }
  std::vector<std::string> fields;
  for (const std::string& name : key.columns) {
    const auto c = std::find_if(columns.begin(), columns.end(), [&](const MappedColumn& col) { return col.oracle.name == name; });
    if (c == columns.end()) {
      reason = "an expression FoxPro has no key for";
      return {};
    }
    const char type = c->mapping.field.typeLetter;
    if (key.columns.size() > 1 ? !IsCharacter(type) : !IsIndexable(type)) {
      reason = key.columns.size() > 1 ? "a key over columns that are not all character"
                                      : "a key over a " + std::string(1, type) + " field";
      return {};
    }
    fields.push_back(c->foxProName);
  }
  return Joined(fields, "+");
}

std::string FoxProKeyStatement(const std::string& tablePath, bool container, KeyKind kind, const std::string& name,
                               const std::string& expression) {
  if (kind == KeyKind::Plain) {
    const std::string indexPath = tablePath.substr(0, tablePath.rfind('.')) + ".cdx";
    return "INDEX ON " + expression + " TAG " + name + " OF '" + indexPath + "'";
  }
  const bool primary = kind == KeyKind::Primary && container;
  return "ALTER TABLE '" + tablePath + "' ADD " + (primary ? "PRIMARY KEY " : "UNIQUE ") + expression + " TAG " + name;
}

// ---- Reading both sides

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

std::vector<std::string> OracleNamesInUse(ado::Connection& oracle) {
  std::vector<std::string> names;
  for (const auto& row : DictionaryRows(oracle, "SELECT CONSTRAINT_NAME FROM USER_CONSTRAINTS")) names.push_back(row[0]);
  for (const auto& row : DictionaryRows(oracle, "SELECT INDEX_NAME FROM USER_INDEXES")) names.push_back(row[0]);
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
  for (const auto& row : DictionaryRows(oracle, "SELECT INDEX_NAME, UNIQUENESS FROM USER_INDEXES" + where +
                                                    " ORDER BY INDEX_NAME")) {
    if (keyNamed(row[0]) == nullptr) keys.push_back({row[0], row[1] == "UNIQUE" ? KeyKind::Unique : KeyKind::Plain, {}, false});
  }
  for (const auto& row : DictionaryRows(oracle, "SELECT INDEX_NAME, COLUMN_NAME, DESCEND FROM USER_IND_COLUMNS" +
                                                    where + " ORDER BY INDEX_NAME, COLUMN_POSITION")) {
    OracleKey* key = keyNamed(row[0]);
    if (key == nullptr || key < keys.data() + constraints) continue;
    key->columns.push_back(row[1]);
    key->descending = key->descending || row[2] == "DESC";
  }
  // A function-based part reads as a system name in USER_IND_COLUMNS; its expression is here.
  for (const auto& row : DictionaryRows(oracle, "SELECT INDEX_NAME, COLUMN_POSITION, COLUMN_EXPRESSION "
                                                "FROM USER_IND_EXPRESSIONS" + where)) {
    OracleKey* key = keyNamed(row[0]);
    const std::size_t position = static_cast<std::size_t>(std::stoul(row[1].empty() ? "0" : row[1]));
    if (key != nullptr && position >= 1 && position <= key->columns.size()) key->columns[position - 1] = row[2];
  }
  return keys;
}

// The first values that more than one row of target holds in columns, as text; empty when none.
std::string FirstDuplicate(ado::Connection& oracle, const std::string& target, const std::vector<std::string>& columns) {
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

KeyPlan KeysForOracle(const std::string& target, const std::vector<FoxProTag>& tags,
                      const std::vector<FoxProColumn>& columns, std::vector<std::string> takenNames) {
  KeyPlan plan;
  // The primary key first, then the other constraints, then the indexes.
  for (const KeyKind kind : {KeyKind::Primary, KeyKind::Unique, KeyKind::Plain}) {
    for (const FoxProTag& tag : tags) {
      if (KindOf(tag) != kind) continue;
      const std::string what = "tag " + tag.name + " (" + tag.expression + ")";
      if (!tag.filter.empty()) {
        plan.notCarried.push_back(what + " not carried: it has the filter FOR " + tag.filter);
        continue;
      }
      if (tag.descending) {
        plan.notCarried.push_back(what + " not carried: it is descending");
        continue;
      }
      std::smatch upper;
      if (std::regex_match(tag.expression, upper, UpperForm())) {
        const auto c = FindColumn(columns, upper[1].str(), [](const FoxProColumn& col) { return col.name; });
        if (c && IsCharacter(columns[*c].field.typeLetter)) {
          const std::string name = UniqueName(tag.name, takenNames, 128);
          plan.carried.push_back({name,
                                  std::string(kind == KeyKind::Plain ? "CREATE INDEX " : "CREATE UNIQUE INDEX ") +
                                      Quoted(name) + " ON " + Quoted(target) + " (UPPER(" +
                                      Quoted(columns[*c].name) + "))",
                                  {}});
          continue;
        }
      }
      const auto keyColumns = OracleKeyColumns(tag.expression, columns);
      if (!keyColumns) {
        plan.notCarried.push_back(what + " not carried: Oracle has no column list for the expression");
        continue;
      }
      const std::string name = UniqueName(tag.name, takenNames, 128);
      plan.carried.push_back({name, OracleKeyStatement(target, kind, name, *keyColumns),
                              kind == KeyKind::Plain ? std::vector<std::string>{} : *keyColumns});
    }
  }
  return plan;
}

KeyPlan KeysForFoxPro(const std::string& tablePath, bool container, const std::vector<OracleKey>& keys,
                      const std::vector<MappedColumn>& columns) {
  KeyPlan plan;
  std::vector<std::string> tagNames;
  for (const KeyKind kind : {KeyKind::Primary, KeyKind::Unique, KeyKind::Plain}) {
    for (const OracleKey& key : keys) {
      if (key.kind != kind) continue;
      const std::string what = KindText(kind) + " " + key.name + " (" + Joined(key.columns, ", ") + ")";
      std::string reason = key.descending ? "it is descending" : key.columns.empty() ? "it has no columns" : "";
      const std::string expression = reason.empty() ? FoxProKeyExpression(key, columns, reason) : "";
      if (!reason.empty()) {
        plan.notCarried.push_back(what + " not carried: " + reason);
        continue;
      }
      std::string base;
      for (const char ch : key.name) base += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      const std::string name = UniqueName(base, tagNames, kTagNameLength);
      plan.carried.push_back({name, FoxProKeyStatement(tablePath, container, kind, name, expression), {}});
    }
  }
  return plan;
}

std::vector<std::string> KeyPlanLines(const KeyPlan& plan) {
  std::vector<std::string> lines;
  for (const CarriedKey& key : plan.carried) lines.push_back(key.statement);
  lines.insert(lines.end(), plan.notCarried.begin(), plan.notCarried.end());
  return lines;
}

KeyPlan PlanKeysToOracle(ado::Connection& foxPro, const std::string& table, const std::vector<FoxProColumn>& columns,
                         ado::Connection& oracle, const std::string& target) {
  const std::vector<FoxProTag> tags = ReadFoxProTags(foxPro, table);
  if (tags.empty()) return {};  // nothing to name: the schema's names need not be read
  return KeysForOracle(target, tags, columns, OracleNamesInUse(oracle));
}

KeyPlan PlanKeysToFoxPro(ado::Connection& oracle, const std::string& source, const std::vector<MappedColumn>& columns,
                         const std::string& tablePath, bool container) {
  return KeysForFoxPro(tablePath, container, ReadOracleKeys(oracle, source), columns);
}

void CarryKeysToOracle(TypedCopyParts& parts, ado::Connection& foxPro, const std::string& table,
                       const std::vector<FoxProColumn>& columns, ado::Connection& oracle, const std::string& target) {
  parts.trap.Step(330, [&] {
    const KeyPlan plan = PlanKeysToOracle(foxPro, table, columns, oracle, target);
    MakeKeys(
        parts, target, plan, [&](const std::string& sql) { ExecuteSql(oracle, sql); },
        [&](const CarriedKey& key, const std::string& message) {
          const std::string duplicate = key.columns.empty() ? "" : FirstDuplicate(oracle, target, key.columns);
          return "key " + key.name + (duplicate.empty() ? " failed: " + message : " has the duplicate " + duplicate);
        });
  });
}

void CarryKeysToFoxPro(TypedCopyParts& parts, ado::Connection& oracle, const std::string& source,
                       const std::vector<MappedColumn>& columns, ado::Connection& foxPro,
                       const std::string& tablePath, bool container) {
  parts.trap.Step(330, [&] {
    const KeyPlan plan = PlanKeysToFoxPro(oracle, source, columns, tablePath, container);
    // The engine's failure names the key and its first duplicate value.
    MakeKeys(
        parts, tablePath, plan, [&](const std::string& sql) { ExecuteSql(foxPro, sql); },
        [](const CarriedKey& key, const std::string& message) { return "tag " + key.name + ": " + message; });
  });
}

}  // namespace transfer
