#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "commands/transfer/SqlHelpers.h"
#include "commands/transfer/TypedTables.h"

namespace transfer {

// Which keys of a table a typed copy carries, and the statements that make them on the
// target; reading either side is left to the caller (KeyTransfer).

enum class KeyKind { Primary, Unique, Plain };

/// The parts with separator between each two.
std::string Joined(const std::vector<std::string>& parts, const std::string& separator);

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
  std::string origin;           // the tag's or key's name on the source side
  bool restored = false;        // the name a record kept: the other side made origin, and needs no record back
  std::string expression = {};  // the tag's FoxPro expression, when the key's columns would not give it back
};

struct KeyPlan {
  std::vector<CarriedKey> carried;
  std::vector<std::string> notCarried;  // one line per key, saying why
};

/// Each carried key's name and its source's (here the target's name, there the source's), for the
/// record of names; a name a record gave back needs none.
std::vector<NamePair> KeyNamePairs(const KeyPlan& plan);
/// What an Oracle table's comment records of its keys: KeyNamePairs, and each key's FoxPro
/// expression that its columns would not give back.
NameRecord KeyRecord(const KeyPlan& plan);

/// A key's name from the other side as a name this side takes whole: letters, digits and '_'
/// stay, any other byte becomes '_', and one that does not start with a letter gets a "k".
std::string KeyName(const std::string& name);
/// The name itself (cut to maxLength) when taken (any letter case) does not hold it, else with
/// the first suffix "_2", "_3"... that is free; then it is taken.
std::string UniqueName(const std::string& name, std::vector<std::string>& taken, std::size_t maxLength);
/// A field a key expression may name: its name there, its column's name and its declaration.
struct KeyField {
  std::string name;
  std::string column;
  ado::DeclaredField field;
};

/// One part of a key expression: a field, as is or under the functions that leave its
/// column's values told apart no finer than the field's own.
struct KeyPart {
  std::string column;
  bool upper = false;           // UPPER(): letter case ignored
  bool leftTrim = false;        // ALLTRIM(), LTRIM(): leading blanks ignored
  bool rightTrim = false;       // ALLTRIM(), RTRIM(), TRIM()
  std::optional<int> strWidth;  // STR(field[, width]) of a numeric field
  bool widthGiven = false;      // the width was written
};

/// The parts of an expression of fields joined by "+": each a field (a lone one of any
/// indexable type, joined ones character), STR() of a numeric field, or UPPER/ALLTRIM/LTRIM/
/// RTRIM/TRIM wrappings of a character field. None for any other expression.
std::optional<std::vector<KeyPart>> KeyParts(const std::string& expression, const std::vector<KeyField>& fields);
/// The Oracle columns of a tag's fields, as KeyParts reads them; none for any other expression.
std::optional<std::vector<std::string>> OracleKeyColumns(const std::string& expression,
                                                         const std::vector<FoxProColumn>& columns);
/// The fields of a table read from Oracle, named as FoxPro names them.
std::vector<KeyField> KeyFieldsOf(const std::vector<MappedColumn>& columns);
/// The FoxPro key expression of an Oracle key's parts; empty, with reason set, when it has none.
std::string FoxProKeyExpression(const OracleKey& key, const std::vector<MappedColumn>& columns, std::string& reason);

/// The Oracle constraints and indexes for the tags of a FoxPro table sent as target with these
/// columns. Names are the Oracle names recorded for the tags (kept), else the tag names in upper
/// case, changed by a suffix where takenNames (the schema's constraints and indexes, in any
/// letter case) has them.
KeyPlan KeysForOracle(const std::string& target, const std::vector<FoxProTag>& tags,
                      const std::vector<FoxProColumn>& columns, std::vector<std::string> takenNames,
                      const NameRecord& kept = {});

/// The engine statements that add the tags for an Oracle table's keys to the FoxPro table at
/// tablePath; in a free table (container false) the primary key becomes a candidate tag. Tag
/// names are the FoxPro names recorded for the keys (kept), else the key names in lower case.
KeyPlan KeysForFoxPro(const std::string& tablePath, bool container, const std::vector<OracleKey>& keys,
                      const std::vector<MappedColumn>& columns, const NameRecord& kept = {});

/// The keys' lines of the plan: each statement, then each key not carried.
std::vector<std::string> KeyPlanLines(const KeyPlan& plan);

}  // namespace transfer
