#include "commands/transfer/RelationPlans.h"

#include <algorithm>
#include <cctype>
#include <variant>

#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TypeMapping.h"
#include "platform/ado/Failure.h"
#include "platform/foxpro/sql/SqlParser.h"

namespace transfer {
namespace {

constexpr std::size_t kOwnOracleNameBytes = 30;

constexpr std::size_t kTagNameLength = 10;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Key expressions compared as FoxPro reads them: letter case and blanks aside.
std::string ExpressionKey(const std::string& expression) {
  std::string key;
  for (const unsigned char c : expression) {
    if (std::isspace(c) == 0) key += static_cast<char>(std::tolower(c));
  }
  return key;
}

template <typename Table, typename NameOf>
const Table* FindTable(const std::vector<Table>& tables, const std::string& name, NameOf nameOf) {
  for (const Table& table : tables) {
    if (nameOf(table) == name) return &table;
  }
  return nullptr;
}

const FoxProTag* FindTag(const std::vector<FoxProTag>& tags, const std::string& name) {
  for (const FoxProTag& tag : tags) {
    if (Lower(tag.name) == Lower(name)) return &tag;
  }
  return nullptr;
}

std::string QuotedList(const std::vector<std::string>& names) {
  std::vector<std::string> quoted;
  for (const std::string& name : names) quoted.push_back(Quoted(name));
  return "(" + Joined(quoted, ", ") + ")";
}

// The tag's expression is over just these columns, in their order.
bool TagIsOver(const FoxProTag& tag, const std::vector<MappedColumn>& columns,
               const std::vector<std::string>& keyColumns) {
  const auto parts = KeyParts(tag.expression, KeyFieldsOf(columns));
  if (!parts || parts->size() != keyColumns.size()) return false;
  for (std::size_t p = 0; p < parts->size(); ++p) {
    if ((*parts)[p].column != keyColumns[p]) return false;
  }
  return true;
}

// A rule FoxPro does not know, or none, is ignore.
char Rule(const std::string& riInfo, std::size_t at) {
  const char rule = at < riInfo.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(riInfo[at]))) : 'I';
  return rule == 'C' || rule == 'R' ? rule : 'I';
}

// Oracle's key refuses a child row without its parent and a parent key change that leaves
// children behind: restrict, for updates and inserts alike.
std::string RiInfoOfKey(char onDelete) { return std::string("R") + onDelete + "R"; }

bool IsRiInfo(const std::string& text) {
  return text.size() == 3 &&
         std::all_of(text.begin(), text.end(), [](char rule) { return rule == 'C' || rule == 'R' || rule == 'I'; });
}

// Why the relation has no Oracle foreign key, or empty when it has one.
std::string OracleRefusal(const FoxProRelation& relation, const SentFoxProTable* child, const SentFoxProTable* parent) {
  if (child == nullptr || parent == nullptr) {
    return "table " + (child == nullptr ? relation.childTable : relation.parentTable) + " is not sent in this run";
  }
  const FoxProTag* parentTag = FindTag(parent->tags, relation.parentTag);
  if (parentTag == nullptr || !parentTag->candidate || !parentTag->filter.empty() || parentTag->descending) {
    return "the parent's tag " + relation.parentTag + " is not a primary or candidate key Oracle holds";
  }
  if (FindTag(child->tags, relation.childTag) == nullptr) return "the child's tag " + relation.childTag + " is missing";
  const char onDelete = Rule(relation.riInfo, 1);
  if (onDelete != 'C' && onDelete != 'R') {
    return "its delete rule is ignore (I): a parent row may go and leave its children, which no Oracle foreign key "
           "allows";
  }
  return {};
}

}  // namespace

RelationPlan ForeignKeysForOracle(const std::vector<FoxProRelation>& relations,
                                  const std::vector<SentFoxProTable>& tables, std::vector<std::string> takenNames) {
  RelationPlan plan;
  std::vector<std::string> whats;  // each carried relation's description
  const auto bySource = [](const SentFoxProTable& table) { return Lower(table.source); };
  for (const FoxProRelation& relation : relations) {
    const std::string what = "relation " + relation.childTable + "." + relation.childTag + " -> " +
                             relation.parentTable + "." + relation.parentTag + " (RIINFO " +
                             (relation.riInfo.empty() ? "none" : relation.riInfo) + ")";
    const SentFoxProTable* child = FindTable(tables, Lower(relation.childTable), bySource);
    const SentFoxProTable* parent = FindTable(tables, Lower(relation.parentTable), bySource);
    if (child == nullptr && parent == nullptr) continue;  // none of the run's business
    std::string refusal = OracleRefusal(relation, child, parent);
    std::optional<std::vector<std::string>> childColumns, parentColumns;
    if (refusal.empty()) {
      childColumns = OracleKeyColumns(FindTag(child->tags, relation.childTag)->expression, child->columns);
      parentColumns = OracleKeyColumns(FindTag(parent->tags, relation.parentTag)->expression, parent->columns);
      if (!childColumns || !parentColumns || childColumns->size() != parentColumns->size()) {
        refusal = "Oracle has no column list for the tags' expressions";
      }
    }
    if (!refusal.empty()) {
      plan.notes.push_back({relation.childTable, what + " not carried: " + refusal});
      continue;
    }
    // A name of the copy's own making fits the 30 bytes Oracle took before 12.2: the table's part
    // gives way, the tag's and "_FK" stay (KeyName keeps every byte's place).
    std::string name = KeyName(OracleNameOf(child->target + "_" + relation.childTag + "_fk"));
    const std::size_t ending = relation.childTag.size() + 4;
    if (name.size() > kOwnOracleNameBytes && ending < kOwnOracleNameBytes) {
      name = name.substr(0, kOwnOracleNameBytes - ending) + name.substr(name.size() - ending);
    }
    name = UniqueName(name, takenNames, kOwnOracleNameBytes);
    const std::string riInfo = {Rule(relation.riInfo, 0), Rule(relation.riInfo, 1), Rule(relation.riInfo, 2)};
    plan.carried.push_back({relation.childTable, name,
                            "ALTER TABLE " + Quoted(child->target) + " ADD CONSTRAINT " + Quoted(name) +
                                " FOREIGN KEY " + QuotedList(*childColumns) + " REFERENCES " + Quoted(parent->target) +
                                " " + QuotedList(*parentColumns) + (riInfo[1] == 'C' ? " ON DELETE CASCADE" : ""),
                            child->target, *childColumns, parent->target, *parentColumns, riInfo});
    whats.push_back(what);
  }
  // The child table's comment records what the keys alone would not give back: rules Oracle
  // has no equal for and, by the record's order, the places of several relations of one child.
  for (std::size_t k = 0; k < plan.carried.size(); ++k) {
    CarriedRelation& key = plan.carried[k];
    const std::string& riInfo = key.recordedRiInfo;
    const bool lossy = riInfo != RiInfoOfKey(riInfo[1]);
    const auto siblings = std::count_if(plan.carried.begin(), plan.carried.end(), [&](const CarriedRelation& other) {
      return other.childTable == key.childTable;
    });
    if (!lossy && siblings == 1) {
      key.recordedRiInfo.clear();
      continue;
    }
    std::string note = whats[k] + ": ";
    if (lossy) {
      note += "its update rule (" + riInfo.substr(0, 1) + ") and insert rule (" + riInfo.substr(2) +
              ") have no Oracle equal; foreign key " + key.name +
              " refuses every change that leaves a child without its parent; ";
    }
    plan.notes.push_back({key.childSource, note + "the comment of table " + key.childTable + " records RIINFO " +
                                               riInfo + " of foreign key " + key.name + " for the way back"});
  }
  return plan;
}

RelationPlan RelationsForFoxPro(const std::vector<OracleForeignKey>& keys, const std::vector<SentOracleTable>& tables,
                                bool container) {
  RelationPlan plan;
  const auto bySource = [](const SentOracleTable& table) { return table.source; };
  for (const OracleForeignKey& key : keys) {
    const std::string what = "foreign key " + key.name + " " + key.childTable + " (" + Joined(key.childColumns, ", ") +
                             ") -> " + key.parentTable + " (" + Joined(key.parentColumns, ", ") + ") ON DELETE " +
                             key.deleteRule;
    const SentOracleTable* child = FindTable(tables, key.childTable, bySource);
    const SentOracleTable* parent = FindTable(tables, key.parentTable, bySource);
    if (child == nullptr && parent == nullptr) continue;  // none of the run's business
    std::string reason;
    std::string childExpression;
    if (!container) {
      reason = "free tables have no relations";
    } else if (child == nullptr || parent == nullptr) {
      reason = "table " + (child == nullptr ? key.childTable : key.parentTable) + " is not sent in this run";
    }
    // The parent's key arrived as its primary or candidate tag; a relation points at one. A tag
    // whose recorded expression is over the key's columns is theirs too.
    const FoxProTag* parentTag = nullptr;
    if (reason.empty()) {
      for (const FoxProTag& tag : parent->tags) {
        if (tag.candidate && tag.filter.empty() && TagIsOver(tag, parent->columns, key.parentColumns)) parentTag = &tag;
      }
      if (parentTag == nullptr) {
        FoxProKeyExpression({key.name, KeyKind::Plain, key.parentColumns, false}, parent->columns, reason);
        if (reason.empty()) reason = "the parent's key has no primary or candidate tag in table " + key.parentTable;
      }
    }
    // The child's tag over the key's fields, when the table has one; else a new one.
    std::string childTag;
    std::vector<std::string> childTagNames;
    if (reason.empty()) {
      std::string ownReason;
      const std::string ownExpression =
          FoxProKeyExpression({key.name, KeyKind::Plain, key.childColumns, false}, child->columns, ownReason);
      // The tag of the key's own expression first, then one recorded over its columns.
      for (const bool own : {true, false}) {
        for (const FoxProTag& tag : child->tags) {
          if (own) childTagNames.push_back(tag.name);
          const bool over = own ? ownReason.empty() && ExpressionKey(tag.expression) == ExpressionKey(ownExpression)
                                : TagIsOver(tag, child->columns, key.childColumns);
          if (childTag.empty() && tag.filter.empty() && over) {
            childTag = tag.name;
            childExpression = tag.expression;
          }
        }
      }
      if (childTag.empty()) {
        reason = ownReason;
        childExpression = ownExpression;
      }
    }
    if (!reason.empty()) {
      plan.notes.push_back({key.childTable, what + " not carried: " + reason});
      continue;
    }
    if (childTag.empty()) childTag = UniqueName(Lower(KeyName(key.name)), childTagNames, kTagNameLength);
    char onDelete = 'R';
    if (key.deleteRule == "CASCADE") {
      onDelete = 'C';
    } else if (key.deleteRule != "NO ACTION") {
      onDelete = 'I';
      plan.notes.push_back({key.childTable, what + ": FoxPro has no rule " + key.deleteRule +
                                                " for deleting a parent; the relation's delete rule is ignore (I)"});
    }
    // The whole RIINFO the child's comment recorded, unless the key changed in Oracle since.
    std::string riInfo = RiInfoOfKey(onDelete);
    if (!key.recordedRiInfo.empty()) {
      if (IsRiInfo(key.recordedRiInfo) && key.recordedRiInfo[1] == onDelete) {
        riInfo = key.recordedRiInfo;
      } else {
        plan.notes.push_back({key.childTable, what + ": the comment of table " + key.childTable + " records RIINFO " +
                                                  key.recordedRiInfo +
                                                  ", which its delete rule does not give (the key changed since); "
                                                  "the relation's RIINFO is " +
                                                  riInfo + ", from the key"});
      }
    }
    plan.carried.push_back({key.childTable, childTag,
                            "ALTER TABLE '" + child->tablePath + "' ADD FOREIGN KEY " + childExpression + " TAG " +
                                childTag + " REFERENCES '" + parent->tablePath + "' TAG " + parentTag->name +
                                " RIINFO '" + riInfo + "'",
                            child->tablePath, key.childColumns, parent->tablePath, key.parentColumns});
  }
  // A container enforces RIINFO through stored code its builder writes, which no copy makes.
  std::vector<std::string> children;
  for (const CarriedRelation& relation : plan.carried) {
    if (std::find(children.begin(), children.end(), relation.childSource) != children.end()) continue;
    children.push_back(relation.childSource);
    plan.notes.push_back({relation.childSource,
                          "the relations of " + relation.childSource +
                              " hold their RIINFO, which FoxPro enforces once its Referential Integrity Builder has "
                              "written the container's triggers"});
  }
  return plan;
}

void OrderAsRecorded(std::vector<OracleForeignKey>& keys, const std::map<std::string, NameRecord>& records) {
  const auto placeOf = [&](const OracleForeignKey& key) {
    const auto record = records.find(key.childTable);
    if (record == records.end()) return std::size_t(-1);
    const std::vector<NamePair>& relations = record->second.relations;
    const auto at =
        std::find_if(relations.begin(), relations.end(), [&](const NamePair& pair) { return pair.here == key.name; });
    return static_cast<std::size_t>(at - relations.begin());
  };
  for (OracleForeignKey& key : keys) {
    const auto record = records.find(key.childTable);
    if (record != records.end()) key.recordedRiInfo = record->second.Relation(key.name).value_or("");
  }
  std::stable_sort(keys.begin(), keys.end(), [&](const OracleForeignKey& a, const OracleForeignKey& b) {
    if (a.childTable != b.childTable) return a.childTable < b.childTable;
    return placeOf(a) < placeOf(b);
  });
}

std::string CommentWithRelation(std::string_view comment, const std::string& keyName, const std::string& riInfo) {
  RecordedComment recorded = SplitNameRecord(comment, NameSide::FoxPro);
  std::erase_if(recorded.names.relations, [&](const NamePair& pair) { return pair.here == keyName; });
  recorded.names.relations.push_back({keyName, riInfo});
  return WithNameRecord(recorded.comment, NameSide::FoxPro, recorded.names, kOracleCommentBytes);
}

std::vector<FoxProTag> TagsOfStatements(const std::vector<CarriedKey>& keys) {
  std::vector<FoxProTag> tags;
  for (const CarriedKey& key : keys) {
    const foxpro::SqlStatement parsed = foxpro::SqlParser::Parse(key.statement);
    const auto* add = std::get_if<foxpro::AddIndexTagStatement>(&parsed);
    if (add == nullptr) continue;
    const foxpro::IndexKind kind = add->tag.kind;
    tags.push_back({Lower(add->tag.name), add->tag.expression, "", add->tag.descending,
                    kind == foxpro::IndexKind::Primary,
                    kind == foxpro::IndexKind::Primary || kind == foxpro::IndexKind::Candidate,
                    kind == foxpro::IndexKind::Unique});
  }
  return tags;
}

std::vector<std::string> RelationPlanLines(const RelationPlan& plan, const std::string& childSource) {
  std::vector<std::string> lines;
  for (const CarriedRelation& relation : plan.carried) {
    if (relation.childSource == childSource) lines.push_back(relation.statement);
  }
  for (const RelationNote& note : plan.notes) {
    if (note.childSource == childSource) lines.push_back(note.text);
  }
  return lines;
}

}  // namespace transfer
