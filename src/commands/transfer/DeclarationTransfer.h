#pragma once

#include <string>
#include <vector>

#include "commands/transfer/TypedCopy.h"
#include "commands/transfer/TypedTables.h"
#include "platform/ado/Connection.h"
#include "platform/foxpro/containers/DbcCatalog.h"

namespace transfer {

// After the rows, a typed copy carries what the table declares beyond its types: which
// fields take no NULL, the table's comment, and (into a container) the fields' defaults,
// comments, captions and rules. Oracle's side is read from its dictionary.

/// After the keys (one step of the typed copy): makes NOT NULL each column of a field without NULL that holds no NULL
/// (Oracle holds a blank text as NULL; such a column records NOT NULL in its comment instead), comments the table, and
/// notes what the fields declare that Oracle does not take. keyRecord (each key's name and its
/// tag's, and tag expressions): the tags whose names Oracle changed, and those expressions, are recorded with the
/// table.
void CarryDeclarationsToOracle(TypedCopyParts& parts, ado::Connection& foxPro, const std::string& table,
                               const std::vector<FoxProColumn>& columns, ado::Connection& oracle,
                               const std::string& target, const NameRecord& keyRecord);

/// The Oracle table's comment: the FoxPro table's, after the record of the tag names
/// Oracle changed and the tag expressions the keys' columns would not give back (keyRecord, as KeyRecord gives it).
std::string OracleTableComment(const std::string& comment, const NameRecord& keyRecord);

/// The declaration of the Oracle table's fields as a container records it: defaults, comments
/// and captions from the dictionary and the column comments, rules from the CHECKs of the
/// forms FoxPro spells alike. notCarried receives a line for each default or CHECK that is not.
/// The table's comment starts with the record of the Oracle names the FoxPro table cannot hold
/// (keyNames: each tag's name and its key's).
foxpro::TableDeclaration ReadOracleDeclaration(ado::Connection& oracle, const std::string& source,
                                               const std::vector<MappedColumn>& columns,
                                               const std::vector<NamePair>& keyNames,
                                               std::vector<std::string>& notCarried);

/// What a free table loses of a declaration: a line for the table's comment, one per field
/// naming its texts.
std::vector<std::string> LostInAFreeTable(const foxpro::TableDeclaration& declaration);

/// Records ReadOracleDeclaration's declaration on the new table of the FoxPro connection's
/// container, and notes what is not carried; a free table records nothing, and notes what it loses.
void CarryDeclarationsToFoxPro(TypedCopyParts& parts, ado::Connection& oracle, const std::string& source,
                               const std::vector<MappedColumn>& columns, ado::Connection& foxPro,
                               const std::string& tablePath);

}  // namespace transfer
