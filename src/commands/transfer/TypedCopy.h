#pragma once

#include <functional>
#include <string>

#include "commands/transfer/CommandObjects.h"
#include "commands/transfer/TransferObserver.h"
#include "connections/FailureTrap.h"
#include "connections/WindowParts.h"
#include "platform/ado/Connection.h"

namespace transfer {

// The typed copies: each table's columns keep their declared types, sizes and NULLs, and its
// values travel bound, in parameter arrays. A handler runs one of them in place of its text
// copy of a table, inside its own failure trap and with its own statement variable. Their
// steps are listed below, each table a block of the handler's own, numbered from where the
// handler places it.
struct TypedCopyParts {
  connections::FailureTrap& trap;
  std::string& sql;  // the handler's statement variable
  connections::ProgressBar& progress;
  TransferObserver* observer;
  connections::StepNumber steps;  // the number of the block's first step
  // The copy to FoxPro reads its source, has the handler make room, then writes: its writing
  // steps are a second block, after the handler's own steps that make room.
  connections::StepNumber writeSteps = steps;
};

// The steps of each typed copy in the order they are written and run. The rows' refusals and
// array sends follow the row loop: they run when an array is full or the rows are done.
enum class TypedToOracleStep {
  ReadColumns,
  FindFractions,
  CountRows,
  BuildCreate,
  Create,
  BuildComment,
  Comment,
  PrepareInsert,
  TestRows,
  YieldBeforeRow,
  ReadRow,
  NextRow,
  Progress,
  SendRows,
  RefusedRow,
  CarryKeys,
  CarryDeclarations,
  Count
};
enum class TypedFromOracleReadStep { MapColumns, CountRows, OpenSource, Count };
enum class TypedToFoxProWriteStep {
  BuildCreate,
  Create,
  PrepareInsert,
  TestRows,
  YieldBeforeRow,
  ReadRow,
  NextRow,
  Progress,
  SendRows,
  RefusedRow,
  CarryKeys,
  CarryDeclarations,
  Count
};

/// Creates the Oracle table target from the FoxPro fields of records (the open read of the
/// FoxPro table named table), records each field's FoxPro type in its column comment, and
/// sends the rows. True when the table was created.
bool SendTypedTableToOracle(TypedCopyParts& parts, RecordsetObject& records, ado::Connection& foxPro,
                            const std::string& table, ado::Connection& oracle, const std::string& target);

/// Creates the FoxPro table target at tablePath from the Oracle table source's dictionary entries,
/// marked with codePage, and streams the rows into it through records. makeRoom is given
/// the path once the source has been read, before CREATE (it drops what the new table replaces);
/// a source that cannot be read leaves it uncalled, and its false (the old table stays) ends
/// the table. freeTable: field names are cut to 10 characters. True when the
/// table was created.
bool SendTypedTableToFoxPro(TypedCopyParts& parts, RecordsetObject& records, ado::Connection& oracle,
                            const std::string& source, ado::Connection& foxPro, const std::string& target,
                            const std::string& tablePath, const std::function<bool(const std::string&)>& makeRoom,
                            bool freeTable, int codePage);

}  // namespace transfer
