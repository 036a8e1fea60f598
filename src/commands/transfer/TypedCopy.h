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
// copy of a table, inside its own failure trap and with its own statement variable; the
// steps are numbered from 300 on.
struct TypedCopyParts {
  connections::FailureTrap& trap;
  std::string& sql;  // the handler's statement variable
  connections::ProgressBar& progress;
  TransferObserver* observer;
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
