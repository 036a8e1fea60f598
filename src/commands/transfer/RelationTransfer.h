#pragma once

#include <string>
#include <vector>

#include "commands/transfer/RelationPlans.h"
#include "commands/transfer/TransferObserver.h"
#include "connections/FailureTrap.h"
#include "platform/ado/Connection.h"

namespace transfer {

// A typed run carries the relations between its tables last, once every table has its rows
// and keys, so that the order of the selection does not matter: a container's persistent
// relations become Oracle foreign keys, and Oracle's foreign keys become relations of the
// container. Rows that break one are reported and stay.

/// A table a typed run has made: its source name, its target name and (FoxPro) its file.
struct SentTable {
  std::string source;
  std::string target;
  std::string tablePath;
};

/// The container's persistent relations (none for free tables).
std::vector<FoxProRelation> ReadFoxProRelations(ado::Connection& foxPro);
/// The schema's foreign keys, their columns in order.
std::vector<OracleForeignKey> ReadOracleForeignKeys(ado::Connection& oracle);

/// One guarded step (340) after the last table: makes the foreign keys of the relations
/// between the sent tables and notes those not carried. Keys the rows break give one report
/// naming each key and its first orphan rows; nothing of them is added.
void CarryRelationsToOracle(connections::FailureTrap& trap, connections::StepNumber step, std::string& sql,
                            TransferObserver* observer, ado::Connection& foxPro, ado::Connection& oracle,
                            const std::vector<SentTable>& sent);
/// One guarded step (342) after the last table: makes the relations of the foreign keys between
/// the sent tables (in a container; free tables have none).
void CarryRelationsToFoxPro(connections::FailureTrap& trap, connections::StepNumber step, std::string& sql,
                            TransferObserver* observer, ado::Connection& oracle, ado::Connection& foxPro,
                            const std::vector<SentTable>& sent, bool container);

}  // namespace transfer
