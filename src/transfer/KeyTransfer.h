#pragma once

#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "transfer/TypedCopy.h"
#include "transfer/TypedTables.h"

namespace transfer {

// A typed copy also carries the table's keys: FoxPro's primary, candidate and regular tags
// become Oracle constraints and indexes, and Oracle's become tags of the new table's
// structural index. Keys are made after the rows, so that loading never checks them one by
// one; a key the rows violate is reported and the rows stay.

enum class KeyKind { Primary, Unique, Plain };

/// A tag of a FoxPro table's structural index, as the indexes schema lists it.
struct FoxProTag {
  std::string name;
  std::string expression;
  std::string filter;
  bool descending = false;
  bool primary = false;
  bool candidate = false;  // the primary tag too
  bool unique = false;
};

/// An Oracle key: a primary or unique constraint, or an index that backs none.
struct OracleKey {
  std::string name;
  KeyKind kind = KeyKind::Plain;
  std::vector<std::string> columns;  // a function-based part reads as its expression, UPPER("NAME")
  bool descending = false;           // some part sorts descending
};

/// A key the target gets: its name, the statement that makes it and the target columns whose
/// duplicates break it (empty for a key that cannot be broken).
struct CarriedKey {
  std::string name;
  std::string statement;
  std::vector<std::string> columns;
};

struct KeyPlan {
  std::vector<CarriedKey> carried;
  std::vector<std::string> notCarried;  // one line per key, saying why
};

/// The Oracle constraints and indexes for the tags of a FoxPro table sent as target with these
/// columns. Names are the tag names, changed by a suffix where takenNames (the schema's
/// constraints and indexes, in any letter case) has them.
KeyPlan KeysForOracle(const std::string& target, const std::vector<FoxProTag>& tags,
                      const std::vector<FoxProColumn>& columns, std::vector<std::string> takenNames);

/// The engine statements that add the tags for an Oracle table's keys to the FoxPro table at
/// tablePath; in a free table (container false) the primary key becomes a candidate tag.
KeyPlan KeysForFoxPro(const std::string& tablePath, bool container, const std::vector<OracleKey>& keys,
                      const std::vector<MappedColumn>& columns);

/// The keys' lines of the plan: each statement, then each key not carried.
std::vector<std::string> KeyPlanLines(const KeyPlan& plan);

/// Reads the FoxPro table's tags and the Oracle schema's names in use.
KeyPlan PlanKeysToOracle(ado::Connection& foxPro, const std::string& table, const std::vector<FoxProColumn>& columns,
                         ado::Connection& oracle, const std::string& target);
/// Reads the Oracle table's keys from the dictionary.
KeyPlan PlanKeysToFoxPro(ado::Connection& oracle, const std::string& source, const std::vector<MappedColumn>& columns,
                         const std::string& tablePath, bool container);

/// One guarded step after the rows: makes every key the plan carries and notes those it does
/// not. Keys the rows violate give one report naming each key and its first duplicate values.
void CarryKeysToOracle(TypedCopyParts& parts, ado::Connection& foxPro, const std::string& table,
                       const std::vector<FoxProColumn>& columns, ado::Connection& oracle, const std::string& target);
void CarryKeysToFoxPro(TypedCopyParts& parts, ado::Connection& oracle, const std::string& source,
                       const std::vector<MappedColumn>& columns, ado::Connection& foxPro,
                       const std::string& tablePath, bool container);

}  // namespace transfer
