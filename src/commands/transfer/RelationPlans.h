#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "commands/transfer/KeyPlans.h"
#include "commands/transfer/TypedTables.h"

namespace transfer {

// Which relations between the tables of a typed run become foreign keys, and which foreign
// keys become relations, with the statements that make them; reading either side is left to
// the caller (RelationTransfer). Both go after every table of the run has its rows and keys.

/// A persistent relation of a FoxPro container, as its foreign keys schema lists it.
struct FoxProRelation {
  std::string childTable;
  std::string childTag;
  std::string parentTable;
  std::string parentTag;
  std::string riInfo;  // update, delete, insert rule: C cascade, R restrict, I ignore
};

/// A foreign key of the Oracle schema, its columns in order.
struct OracleForeignKey {
  std::string name;
  std::string childTable;
  std::vector<std::string> childColumns;
  std::string parentTable;
  std::vector<std::string> parentColumns;
  std::string deleteRule;           // CASCADE, NO ACTION or SET NULL
  std::string recordedRiInfo = {};  // its relation's RIINFO as the child table's comment records it, if it does
};

/// A FoxPro table the run sent to Oracle: its names, its tags and its columns.
struct SentFoxProTable {
  std::string source;
  std::string target;
  std::vector<FoxProTag> tags;
  std::vector<FoxProColumn> columns;
};

/// An Oracle table the run sent to FoxPro: its names, the new table's tags and its columns.
struct SentOracleTable {
  std::string source;
  std::string tablePath;
  std::vector<FoxProTag> tags;
  std::vector<MappedColumn> columns;
};

/// A foreign key or relation the target gets. The columns name its rows on the target, so
/// that the rows that break it can be found.
struct CarriedRelation {
  std::string childSource;  // the child table's name on the source side
  std::string name;
  std::string statement;
  std::string childTable;
  std::vector<std::string> childColumns;
  std::string parentTable;
  std::vector<std::string> parentColumns;
  std::string recordedRiInfo = {};  // a foreign key's: the RIINFO its child table's comment is to record, if any
};

/// A relation not carried, or carried in part, and why.
struct RelationNote {
  std::string childSource;
  std::string text;
};

struct RelationPlan {
  std::vector<CarriedRelation> carried;
  std::vector<RelationNote> notes;
};

/// The Oracle foreign keys for the relations whose two tables the run sent; a relation with one
/// of them is noted as not carried, one with neither is left out. Names are made
/// from the child table and tag, changed by a suffix where takenNames has them.
RelationPlan ForeignKeysForOracle(const std::vector<FoxProRelation>& relations,
                                  const std::vector<SentFoxProTable>& tables, std::vector<std::string> takenNames);

/// Gives each key the RIINFO its child table's record (by table name) keeps for it, and puts
/// each child's keys in the order the record lists them (the relations' order in the container
/// they came from), those not listed after, in their order.
void OrderAsRecorded(std::vector<OracleForeignKey>& keys, const std::map<std::string, NameRecord>& records);

/// The Oracle table's comment with its record telling the relation's whole RIINFO for the foreign key.
std::string CommentWithRelation(std::string_view comment, const std::string& keyName, const std::string& riInfo);

/// The engine statements that make a relation (with its child tag when the table has none over
/// the key's fields) for each foreign key whose two tables the run sent into a container; the
/// others are noted as ForeignKeysForOracle notes them.
RelationPlan RelationsForFoxPro(const std::vector<OracleForeignKey>& keys, const std::vector<SentOracleTable>& tables,
                                bool container);

/// The tags an engine statement list would make (ALTER TABLE ... ADD and INDEX ON), for a plan
/// of tables not made yet.
std::vector<FoxProTag> TagsOfStatements(const std::vector<CarriedKey>& keys);

/// The plan's lines of one child table (its source name): each statement, then each note.
std::vector<std::string> RelationPlanLines(const RelationPlan& plan, const std::string& childSource);

}  // namespace transfer
