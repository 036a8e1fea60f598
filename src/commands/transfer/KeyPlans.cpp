#include "commands/transfer/KeyPlans.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <regex>
#include <string_view>

#include "platform/foxpro/tables/FieldTypes.h"

namespace transfer {
namespace {

constexpr std::size_t kTagNameLength = 10;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

bool Taken(const std::vector<std::string>& names, const std::string& name) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return Upper(n) == Upper(name); });
}

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

KeyKind KindOf(const FoxProTag& tag) {
  if (tag.primary) return KeyKind::Primary;
  // A UNIQUE tag only indexes the first record of each key, and the rows may repeat keys: as
  // a constraint it would refuse valid rows. Only a candidate tag is a key.
  return tag.candidate ? KeyKind::Unique : KeyKind::Plain;
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

std::string FoxProKeyStatement(const std::string& tablePath, bool container, KeyKind kind, const std::string& name,
                               const std::string& expression) {
  if (kind == KeyKind::Plain) {
    const std::string indexPath = tablePath.substr(0, tablePath.rfind('.')) + ".cdx";
    return "INDEX ON " + expression + " TAG " + name + " OF '" + indexPath + "'";
  }
  const bool primary = kind == KeyKind::Primary && container;
  return "ALTER TABLE '" + tablePath + "' ADD " + (primary ? "PRIMARY KEY " : "UNIQUE ") + expression + " TAG " + name;
}

// A recorded tag expression serves a key over just its columns, in a form the engine indexes
// (STR() without a width) and with no field TAG, which would end the index statement's expression.
bool RecordedExpressionFits(const std::string& expression, const OracleKey& key,
                            const std::vector<MappedColumn>& columns) {
  const auto parts = KeyParts(expression, KeyFieldsOf(columns));
  if (!parts || parts->size() != key.columns.size()) return false;
  for (std::size_t p = 0; p < parts->size(); ++p) {
    const KeyPart& part = (*parts)[p];
    if (part.column != key.columns[p] || part.widthGiven) return false;
    const auto c = FindColumn(columns, part.column, [](const MappedColumn& col) { return col.oracle.name; });
    if (Upper(columns[*c].foxProName) == "TAG") return false;
  }
  return true;
}

}  // namespace

// A key's name from the other side as a name this side takes whole: letters, digits and '_'
// stay, any other byte becomes '_', and a name that does not start with a letter gets a "k"
// before it. It goes between quotes or after TAG, so no byte of it may end them.
std::string KeyName(const std::string& name) {
  std::string safe;
  for (const unsigned char c : name)
    safe += (c < 0x80 && std::isalnum(c) != 0) || c == '_' ? static_cast<char>(c) : '_';
  if (safe.empty() || std::isalpha(static_cast<unsigned char>(safe.front())) == 0) safe.insert(0, "k");
  return safe;
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

namespace {

// Reads term ('+' term)*, term = name | FUNCTION '(' term [',' width] ')', against the fields.
class KeyPartReader {
 public:
  KeyPartReader(std::string_view text, const std::vector<KeyField>& fields) : m_text(text), m_fields(fields) {}

  std::optional<std::vector<KeyPart>> Read() {
    std::vector<KeyPart> parts;
    do {
      std::optional<KeyPart> part = Term(0);
      if (!part) return std::nullopt;
      parts.push_back(std::move(*part));
    } while (Accept('+'));
    SkipBlanks();
    if (m_at != m_text.size()) return std::nullopt;
    // Joined numbers would add up, not join: a part of several is character.
    for (const KeyPart& part : parts) {
      const char type = m_types[&part - parts.data()];
      if (parts.size() > 1 ? !part.strWidth && !foxpro::IsCharacterType(type) : !foxpro::IsIndexableType(type))
        return std::nullopt;
    }
    return parts;
  }

 private:
  std::optional<KeyPart> Term(int depth) {
    const std::string name = Upper(Name());
    if (name.empty() || depth > 8) return std::nullopt;
    if (!Accept('(')) return Field(name);
    std::optional<KeyPart> part;
    if (name == "STR") {
      part = Field(Upper(Name()));
      if (!part || !foxpro::IsNumericType(m_types.back())) return std::nullopt;
      part->strWidth = 10;
      if (Accept(',')) {
        const std::string width = Name();
        if (width.empty() || !std::all_of(width.begin(), width.end(), [](unsigned char c) { return std::isdigit(c); }))
          return std::nullopt;
        part->strWidth = std::stoi(width.substr(0, 3));
        part->widthGiven = true;
      }
      m_types.back() = 'C';
    } else if (name == "UPPER" || name == "ALLTRIM" || name == "LTRIM" || name == "RTRIM" || name == "TRIM") {
      part = Term(depth + 1);
      if (!part || part->strWidth || !foxpro::IsCharacterType(m_types.back())) return std::nullopt;
      part->upper = part->upper || name == "UPPER";
      part->leftTrim = part->leftTrim || name == "ALLTRIM" || name == "LTRIM";
      part->rightTrim = part->rightTrim || name == "ALLTRIM" || name == "RTRIM" || name == "TRIM";
    }
    if (!part || !Accept(')')) return std::nullopt;
    return part;
  }

  std::optional<KeyPart> Field(const std::string& name) {
    for (const KeyField& field : m_fields) {
      if (Upper(field.name) != name) continue;
      m_types.push_back(field.field.typeLetter);
      KeyPart part;
      part.column = field.column;
      return part;
    }
    return std::nullopt;
  }

  void SkipBlanks() {
    while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\t')) ++m_at;
  }
  bool Accept(char c) {
    SkipBlanks();
    if (m_at >= m_text.size() || m_text[m_at] != c) return false;
    ++m_at;
    return true;
  }
  std::string Name() {
    SkipBlanks();
    const std::size_t start = m_at;
    while (m_at < m_text.size() && (std::isalnum(static_cast<unsigned char>(m_text[m_at])) != 0 || m_text[m_at] == '_'))
      ++m_at;
    return std::string(m_text.substr(start, m_at - start));
  }

  std::string_view m_text;
  const std::vector<KeyField>& m_fields;
  std::size_t m_at = 0;
  std::vector<char> m_types;  // each part's type as joined: STR() gives character
};

// A FoxPro table's fields as its tags name them.
std::vector<KeyField> FoxProKeyFields(const std::vector<FoxProColumn>& columns) {
  std::vector<KeyField> fields;
  for (const FoxProColumn& column : columns)
    fields.push_back({column.foxProName.empty() ? column.name : column.foxProName, column.name, column.field});
  return fields;
}

// What the Oracle key over the plain columns tells apart that the FoxPro expression does not.
std::vector<std::string> ToldApart(const std::vector<KeyPart>& parts, const std::vector<FoxProColumn>& columns) {
  std::vector<std::string> differences;
  const auto add = [&](const std::string& text) {
    if (std::find(differences.begin(), differences.end(), text) == differences.end()) differences.push_back(text);
  };
  for (const KeyPart& part : parts) {
    if (part.upper) add("'a' from 'A'");
    if (part.leftTrim) add("' a' from 'a'");
    if ((part.leftTrim || part.rightTrim) && parts.size() > 1) add("'ab'+'c' from 'a'+'bc'");
    if (!part.strWidth) continue;
    const auto c = FindColumn(columns, part.column, [](const FoxProColumn& col) { return col.name; });
    const ado::DeclaredField& field = columns[*c].field;
    if (field.decimals > 0 || field.typeLetter == 'B' || field.typeLetter == 'Y')
      add("1.2 from 1.4, which STR() rounds alike");
    // The widest text of the field's whole part: STR() shows a wider one as asterisks.
    const int widest = field.typeLetter == 'I' ? 11
                       : field.typeLetter == 'N' || field.typeLetter == 'F'
                           ? field.width - (field.decimals > 0 ? field.decimals + 1 : 0)
                           : 20;
    if (widest > *part.strWidth) {
      add("values of " + columns[*c].name + " wider than " + std::to_string(*part.strWidth) +
          " characters, which STR() shows alike as asterisks");
    }
  }
  return differences;
}

}  // namespace

std::optional<std::vector<KeyPart>> KeyParts(const std::string& expression, const std::vector<KeyField>& fields) {
  return KeyPartReader(expression, fields).Read();
}

std::optional<std::vector<std::string>> OracleKeyColumns(const std::string& expression,
                                                         const std::vector<FoxProColumn>& columns) {
  const auto parts = KeyParts(expression, FoxProKeyFields(columns));
  if (!parts) return std::nullopt;
  std::vector<std::string> keyColumns;
  for (const KeyPart& part : *parts) keyColumns.push_back(part.column);
  return keyColumns;
}

std::vector<KeyField> KeyFieldsOf(const std::vector<MappedColumn>& columns) {
  std::vector<KeyField> fields;
  for (const MappedColumn& column : columns)
    fields.push_back({column.foxProName, column.oracle.name, column.mapping.field});
  return fields;
}

// The FoxPro key expression of an Oracle key's parts, or the reason it has none.
std::string FoxProKeyExpression(const OracleKey& key, const std::vector<MappedColumn>& columns, std::string& reason) {
  // The engine's index statements end the expression at the word TAG.
  for (const MappedColumn& column : columns) {
    if (Upper(column.foxProName) != "TAG") continue;
    for (const std::string& part : key.columns) {
      if (Upper(part).find(Upper(column.oracle.name)) != std::string::npos) {
        reason = "a key over the field TAG, which the index statement takes for its keyword";
        return {};
      }
    }
  }
  std::smatch upper;
  if (key.columns.size() == 1 && std::regex_match(key.columns[0], upper, UpperForm())) {
    const auto c = FindColumn(columns, upper[1].str(), [](const MappedColumn& col) { return col.oracle.name; });
    if (c && foxpro::IsCharacterType(columns[*c].mapping.field.typeLetter))
      return "UPPER(" + columns[*c].foxProName + ")";
    reason = "an expression FoxPro has no key for";
    return {};
  }
  std::vector<std::string> fields;
  for (const std::string& name : key.columns) {
    const auto c =
        std::find_if(columns.begin(), columns.end(), [&](const MappedColumn& col) { return col.oracle.name == name; });
    if (c == columns.end()) {
      reason = "an expression FoxPro has no key for";
      return {};
    }
    const char type = c->mapping.field.typeLetter;
    if (key.columns.size() > 1 ? !foxpro::IsCharacterType(type) : !foxpro::IsIndexableType(type)) {
      reason = key.columns.size() > 1 ? "a key over columns that are not all character"
                                      : "a key over a " + std::string(1, type) + " field";
      return {};
    }
    fields.push_back(c->foxProName);
  }
  return Joined(fields, "+");
}

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (std::size_t k = 0; k < parts.size(); ++k) text += (k == 0 ? "" : separator) + parts[k];
  return text;
}

KeyPlan KeysForOracle(const std::string& target, const std::vector<FoxProTag>& tags,
                      const std::vector<FoxProColumn>& columns, std::vector<std::string> takenNames,
                      const NameRecord& kept) {
  KeyPlan plan;
  // The name the tag's key gets; one the schema holds already takes a suffix, which is said.
  bool restored = false;
  const auto oracleName = [&](const FoxProTag& tag) {
    const std::optional<std::string> recorded = kept.Key(tag.name);
    const std::string wanted = KeyName(recorded.value_or(OracleNameOf(tag.name)));
    const std::string name = UniqueName(wanted, takenNames, 128);
    restored = recorded && name == wanted.substr(0, 128);
    if (name != wanted.substr(0, 128)) {
      plan.notCarried.push_back("tag " + tag.name + " becomes " + name + ": the schema holds " + wanted +
                                " already; the tag's name is recorded in the table's comment");
    }
    return name;
  };
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
        if (c && foxpro::IsCharacterType(columns[*c].field.typeLetter)) {
          const std::string name = oracleName(tag);
          plan.carried.push_back({name,
                                  std::string(kind == KeyKind::Plain ? "CREATE INDEX " : "CREATE UNIQUE INDEX ") +
                                      Quoted(name) + " ON " + Quoted(target) + " (UPPER(" + Quoted(columns[*c].name) +
                                      "))",
                                  {},
                                  tag.name,
                                  restored});
          continue;
        }
      }
      const auto parts = KeyParts(tag.expression, FoxProKeyFields(columns));
      if (!parts) {
        plan.notCarried.push_back(what + " not carried: Oracle has no column list for the expression");
        continue;
      }
      std::vector<std::string> keyColumns;
      for (const KeyPart& part : *parts) keyColumns.push_back(part.column);
      const std::string name = oracleName(tag);
      CarriedKey key{name, OracleKeyStatement(target, kind, name, keyColumns),
                     kind == KeyKind::Plain ? std::vector<std::string>{} : keyColumns, tag.name, restored};
      // Plain columns give back plain fields; any function over one is recorded for the way back.
      const bool plain = std::all_of(parts->begin(), parts->end(), [](const KeyPart& part) {
        return !part.upper && !part.leftTrim && !part.rightTrim && !part.strWidth;
      });
      if (!plain) key.expression = tag.expression;
      // Rows unique under a function of the columns are unique in the columns: every row
      // arrives, and the key lets in what FoxPro's would refuse.
      const std::vector<std::string> differences = ToldApart(*parts, columns);
      if (kind != KeyKind::Plain && !differences.empty()) {
        std::vector<std::string> quoted;
        for (const std::string& column : keyColumns) quoted.push_back(column);
        plan.notCarried.push_back(std::string(tag.primary ? "primary" : "candidate") + " tag " + tag.name + " (" +
                                  tag.expression + ") becomes " +
                                  (kind == KeyKind::Primary ? "PRIMARY KEY" : "UNIQUE") + " (" + Joined(quoted, ", ") +
                                  "), which tells " + Joined(differences, " and "));
      }
      plan.carried.push_back(std::move(key));
    }
  }
  return plan;
}

KeyPlan KeysForFoxPro(const std::string& tablePath, bool container, const std::vector<OracleKey>& keys,
                      const std::vector<MappedColumn>& columns, const NameRecord& kept) {
  KeyPlan plan;
  std::vector<std::string> tagNames;
  for (const KeyKind kind : {KeyKind::Primary, KeyKind::Unique, KeyKind::Plain}) {
    for (const OracleKey& key : keys) {
      if (key.kind != kind) continue;
      const std::string what = KindText(kind) + " " + key.name + " (" + Joined(key.columns, ", ") + ")";
      std::string reason = key.descending ? "it is descending" : key.columns.empty() ? "it has no columns" : "";
      const std::optional<std::string> recordedExpression = kept.Expression(key.name);
      const bool recordedFits =
          reason.empty() && recordedExpression && RecordedExpressionFits(*recordedExpression, key, columns);
      if (reason.empty() && recordedExpression && !recordedFits) {
        plan.notCarried.push_back(what + ": the table's comment records the tag expression " + *recordedExpression +
                                  ", which is not over the key's columns or which FoxPro cannot index; the tag "
                                  "takes the key's columns");
      }
      const std::string expression = recordedFits     ? *recordedExpression
                                     : reason.empty() ? FoxProKeyExpression(key, columns, reason)
                                                      : "";
      if (!reason.empty()) {
        plan.notCarried.push_back(what + " not carried: " + reason);
        continue;
      }
      const std::optional<std::string> recorded = kept.Key(key.name);
      const std::string base = FoxProNameOf(KeyName(recorded.value_or(key.name)));
      const std::string name = UniqueName(base, tagNames, kTagNameLength);
      plan.carried.push_back({name,
                              FoxProKeyStatement(tablePath, container, kind, name, expression),
                              {},
                              key.name,
                              recorded && name == base.substr(0, kTagNameLength)});
    }
  }
  return plan;
}

std::vector<NamePair> KeyNamePairs(const KeyPlan& plan) {
  std::vector<NamePair> pairs;
  for (const CarriedKey& key : plan.carried) {
    if (!key.restored) pairs.push_back({key.name, key.origin});
  }
  return pairs;
}

NameRecord KeyRecord(const KeyPlan& plan) {
  NameRecord record;
  record.keys = KeyNamePairs(plan);
  for (const CarriedKey& key : plan.carried) {
    if (!key.expression.empty()) record.expressions.push_back({key.name, key.expression});
  }
  return record;
}

std::vector<std::string> KeyPlanLines(const KeyPlan& plan) {
  std::vector<std::string> lines;
  for (const CarriedKey& key : plan.carried) lines.push_back(key.statement);
  lines.insert(lines.end(), plan.notCarried.begin(), plan.notCarried.end());
  return lines;
}

}  // namespace transfer
