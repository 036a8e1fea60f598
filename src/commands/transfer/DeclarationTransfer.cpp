#include "commands/transfer/DeclarationTransfer.h"

#include <algorithm>
#include <optional>

#include "commands/transfer/FieldDeclarations.h"
#include "commands/transfer/KeyPlans.h"
#include "commands/transfer/KeyTransfer.h"
#include "commands/transfer/OracleValues.h"
#include "commands/transfer/SqlHelpers.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/foxpro/sql/FoxProSession.h"
#include "platform/foxpro/tables/TableNames.h"

namespace transfer {
namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

void Tell(TypedCopyParts& parts, const std::string& table, const std::vector<std::string>& lines) {
  if (parts.observer == nullptr) return;
  for (const std::string& line : lines) parts.observer->Note(table + ": " + line);
}

// Checks Oracle makes of a declaration of its own, which carry no rule of the field's.
bool ColumnsOwnCheck(const std::string& condition, const MappedColumn& column) {
  const std::string quoted = Quoted(column.oracle.name);
  return condition == quoted + " IS NOT NULL" ||
         (column.mapping.field.typeLetter == 'L' && condition == quoted + " IN (0,1)");
}

// A rule or default the column comment kept wins while it is Oracle's own spelled otherwise:
// one Oracle could not hold, or changed there since, gives Oracle's. So a comment restores a
// spelling, never an expression FoxPro would evaluate that Oracle did not hold.
std::string Restored(const std::optional<std::string>& kept, const std::string& fromOracle,
                     const std::optional<std::string>& keptAsOracleGivesItBack) {
  if (!kept || !keptAsOracleGivesItBack || *keptAsOracleGivesItBack != fromOracle) return fromOracle;
  return *kept;
}

}  // namespace

void CarryDeclarationsToOracle(TypedCopyParts& parts, ado::Connection& foxPro, const std::string& table,
                               const std::vector<FoxProColumn>& columns, ado::Connection& oracle,
                               const std::string& target, const NameRecord& keyRecord) {
  parts.sql.clear();
  std::vector<std::string> notCarried;
  for (const FoxProColumn& column : columns) {
    const std::vector<std::string> lines = NotCarriedToOracle(column);
    notCarried.insert(notCarried.end(), lines.begin(), lines.end());
  }
  Tell(parts, target, notCarried);
  // A primary key has made its columns NOT NULL already, and Oracle refuses to do it twice.
  std::vector<std::string> nullable;
  const bool anyNotNull =
      std::any_of(columns.begin(), columns.end(), [](const FoxProColumn& column) { return !column.field.nullable; });
  if (anyNotNull) {
    for (const auto& row : DictionaryRows(oracle, "SELECT COLUMN_NAME FROM USER_TAB_COLUMNS WHERE TABLE_NAME = " +
                                                      OracleText(target) + " AND NULLABLE = 'Y'")) {
      nullable.push_back(row[0]);
    }
  }
  std::vector<const FoxProColumn*> notNull;
  std::string counts;
  for (const FoxProColumn& column : columns) {
    if (column.field.nullable || std::find(nullable.begin(), nullable.end(), column.name) == nullable.end()) continue;
    // Oracle holds an empty text as NULL, so "= ''" is never true there; it makes a server
    // that keeps empty texts give Oracle's answer (a CLOB takes no "=" in Oracle).
    const std::string name = Quoted(column.name);
    const char type = column.field.typeLetter;
    const bool text = (type == 'C' || type == 'V') && !column.field.binary;
    counts += std::string(notNull.empty() ? "" : ", ") + "COUNT(CASE WHEN " + name + " IS NULL" +
              (text ? " OR " + name + " = ''" : "") + " THEN 1 END)";
    notNull.push_back(&column);
  }
  if (!notNull.empty()) {
    const std::vector<std::string> nulls = DictionaryRows(oracle, "SELECT " + counts + " FROM " + Quoted(target)).at(0);
    std::vector<std::string> modified;
    for (std::size_t k = 0; k < notNull.size(); ++k) {
      if (nulls[k] == "0") {
        modified.push_back(Quoted(notNull[k]->name) + " NOT NULL");
      } else {
        parts.sql = OracleCommentStatement(target, *notNull[k], true);
        ExecuteSql(oracle, parts.sql);
      }
    }
    if (!modified.empty()) {
      parts.sql = "ALTER TABLE " + Quoted(target) + " MODIFY (" + Joined(modified, ", ") + ")";
      ExecuteSql(oracle, parts.sql);
    }
  }
  std::vector<FoxProColumn> described = columns;
  const std::string comment = OracleTableComment(ReadFoxProDeclarations(foxPro, table, described), keyRecord);
  if (!comment.empty()) {
    parts.sql = OracleTableCommentStatement(target, comment);
    ExecuteSql(oracle, parts.sql);
  }
}

std::string OracleTableComment(const std::string& comment, const NameRecord& keyRecord) {
  NameRecord record;
  record.expressions = keyRecord.expressions;
  for (const NamePair& key : keyRecord.keys) {
    if (FoxProNameOf(key.here) != FoxProNameOf(key.there)) record.keys.push_back(key);
  }
  return WithNameRecord(comment, NameSide::FoxPro, record, kOracleCommentBytes);
}

foxpro::TableDeclaration ReadOracleDeclaration(ado::Connection& oracle, const std::string& source,
                                               const std::vector<MappedColumn>& columns,
                                               const std::vector<NamePair>& keyNames,
                                               std::vector<std::string>& notCarried) {
  const std::string where = " WHERE TABLE_NAME = " + OracleText(source);
  foxpro::TableDeclaration declaration;
  // The FoxPro names recorded there have served the tags; the container records Oracle's.
  std::string comment;
  for (const auto& row : DictionaryRows(oracle, "SELECT COMMENTS FROM USER_TAB_COMMENTS" + where))
    comment = SplitNameRecord(row[0], NameSide::FoxPro).comment;
  declaration.comment = WithNameRecord(comment, NameSide::Oracle, OracleNamesToRecord(source, columns, keyNames));
  std::vector<std::pair<std::string, std::string>> defaults;
  for (const auto& row : DictionaryRows(oracle, "SELECT COLUMN_NAME, DATA_DEFAULT FROM USER_TAB_COLUMNS" + where)) {
    defaults.emplace_back(row[0], Trimmed(row[1]));
  }
  const auto checks = DictionaryRows(oracle, "SELECT SEARCH_CONDITION FROM USER_CONSTRAINTS" + where +
                                                 " AND CONSTRAINT_TYPE = 'C' ORDER BY CONSTRAINT_NAME");
  for (const MappedColumn& column : columns) {
    const ado::DeclaredField& field = column.mapping.field;
    const FoxProColumnNote note = ParseFoxProColumnNote(column.oracle.comment);
    foxpro::FieldDeclaration declared;
    declared.name = column.foxProName;
    declared.comment = note.comment;
    declared.caption = note.caption.value_or("");
    declared.format = note.format.value_or("");
    declared.inputMask = note.inputMask.value_or("");
    if (note.message && IsFoxProTextLiteral(*note.message)) declared.ruleText = *note.message;
    for (const auto& [name, text] : defaults) {
      // An identity's default is its sequence, which the autoincrement carries.
      if (name != column.oracle.name || text.empty() || field.autoIncrement) continue;
      if (std::optional<std::string> value = FoxProDefaultFor(text, field)) {
        declared.defaultValue = *value;
      } else {
        notCarried.push_back("column " + name + ": default " + text + " not carried: not a literal FoxPro takes alike");
      }
    }
    std::vector<std::string> rules;
    for (const auto& row : checks) {
      const std::string condition = Trimmed(row[0]);
      if (ColumnsOwnCheck(condition, column) || CheckedColumn(condition) != column.oracle.name) continue;
      if (std::optional<std::string> rule = FoxProRuleFor(condition, column.foxProName, field)) {
        rules.push_back(*rule);
      } else {
        notCarried.push_back("column " + column.oracle.name + ": CHECK (" + condition + ") not carried");
      }
    }
    declared.rule = Joined(rules, " AND ");
    const std::optional<std::string> checkKept =
        note.rule ? OracleCheckFor(*note.rule, column.foxProName, column.oracle.name, field) : std::nullopt;
    declared.rule = Restored(note.rule, declared.rule,
                             checkKept ? FoxProRuleFor(*checkKept, column.foxProName, field) : std::nullopt);
    const std::optional<std::string> defaultKept =
        note.defaultValue ? OracleDefaultFor(*note.defaultValue, field) : std::nullopt;
    declared.defaultValue = Restored(note.defaultValue, declared.defaultValue,
                                     defaultKept ? FoxProDefaultFor(*defaultKept, field) : std::nullopt);
    declaration.fields.push_back(std::move(declared));
  }
  // A CHECK on no single column, or of another form, is no field's rule.
  for (const auto& row : checks) {
    const std::string condition = Trimmed(row[0]);
    const bool own = std::any_of(columns.begin(), columns.end(), [&](const MappedColumn& column) {
      return ColumnsOwnCheck(condition, column) || CheckedColumn(condition) == column.oracle.name;
    });
    if (!own)
      notCarried.push_back("CHECK (" + condition + ") not carried: not a comparison of one column with literals");
  }
  return declaration;
}

void CarryDeclarationsToFoxPro(TypedCopyParts& parts, ado::Connection& oracle, const std::string& source,
                               const std::vector<MappedColumn>& columns, ado::Connection& foxPro,
                               const std::string& tablePath) {
  parts.sql.clear();
  foxpro::DbcCatalog* container = foxpro::FoxProSession::ContainerOf(foxPro);
  std::vector<std::string> notCarried;
  const KeyPlan keys = PlanKeysToFoxPro(oracle, source, columns, tablePath, container != nullptr);
  const foxpro::TableDeclaration declaration =
      ReadOracleDeclaration(oracle, source, columns, KeyNamePairs(keys), notCarried);
  if (container == nullptr) {
    Tell(parts, source, LostInAFreeTable(declaration));
    return;
  }
  Tell(parts, source, notCarried);
  container->Declare(foxpro::StemOf(foxpro::FileNameOf(tablePath)), declaration);
}

std::vector<std::string> LostInAFreeTable(const foxpro::TableDeclaration& declaration) {
  const std::string why = " not kept: a free table has no container to hold ";
  std::vector<std::string> lines;
  if (!SplitNameRecord(declaration.comment, NameSide::Oracle).comment.empty()) lines.push_back("comment" + why + "it");
  for (const foxpro::FieldDeclaration& field : declaration.fields) {
    std::vector<std::string> lost;
    for (const auto& [what, text] : {std::pair{"default", &field.defaultValue},
                                     {"comment", &field.comment},
                                     {"caption", &field.caption},
                                     {"rule", &field.rule},
                                     {"format", &field.format},
                                     {"input mask", &field.inputMask},
                                     {"rule text", &field.ruleText}}) {
      if (!text->empty()) lost.emplace_back(what);
    }
    if (!lost.empty()) lines.push_back("field " + field.name + ": " + Joined(lost, ", ") + why + "them");
  }
  return lines;
}

}  // namespace transfer
