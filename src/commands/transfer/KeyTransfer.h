#pragma once

#include <string>
#include <vector>

#include "commands/transfer/KeyPlans.h"
#include "commands/transfer/TypedCopy.h"
#include "platform/ado/Connection.h"

namespace transfer {

// A typed copy also carries the table's keys: FoxPro's primary, candidate and regular tags
// become Oracle constraints and indexes, and Oracle's become tags of the new table's
// structural index. Keys are made after the rows, so that loading never checks them one by
// one; a key the rows violate is reported and the rows stay.

/// The text as an Oracle literal.
std::string OracleText(const std::string& text);
/// A value as text; NULL as the empty text.
std::string TextOf(const ado::Value& value);
/// The rows of a query, each as texts (Oracle's labels are read by position).
std::vector<std::vector<std::string>> DictionaryRows(ado::Connection& oracle, const std::string& sql);

/// The tags of the FoxPro table's structural index.
std::vector<FoxProTag> ReadFoxProTags(ado::Connection& foxPro, const std::string& table);
/// The names of the Oracle schema's constraints and indexes, which a new key's name must avoid.
std::vector<std::string> OracleNamesInUse(ado::Connection& oracle);
/// The names of one Oracle table's constraints and indexes, which go when it is dropped.
std::vector<std::string> OracleKeyNamesOf(ado::Connection& oracle, const std::string& table);

/// The FoxPro names recorded with the Oracle table (its comment's first line).
NameRecord OracleNameRecord(ado::Connection& oracle, const std::string& table);

/// Reads the FoxPro table's tags, the names its container recorded and the Oracle schema's names in use.
KeyPlan PlanKeysToOracle(ado::Connection& foxPro, const std::string& table, const std::vector<FoxProColumn>& columns,
                         ado::Connection& oracle, const std::string& target);
/// Reads the Oracle table's keys and the names recorded with it from the dictionary.
KeyPlan PlanKeysToFoxPro(ado::Connection& oracle, const std::string& source, const std::vector<MappedColumn>& columns,
                         const std::string& tablePath, bool container);

/// After the rows (one step of the typed copy): makes every key the plan carries and notes
/// those it does not. Keys the rows violate give one report naming each key and its first duplicate values.
/// keyRecord receives each key's name and its tag's, made or not, and the tag expressions to record.
void CarryKeysToOracle(TypedCopyParts& parts, ado::Connection& foxPro, const std::string& table,
                       const std::vector<FoxProColumn>& columns, ado::Connection& oracle, const std::string& target,
                       NameRecord& keyRecord);
void CarryKeysToFoxPro(TypedCopyParts& parts, ado::Connection& oracle, const std::string& source,
                       const std::vector<MappedColumn>& columns, ado::Connection& foxPro, const std::string& tablePath,
                       bool container);

}  // namespace transfer
