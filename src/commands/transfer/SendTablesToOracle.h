#pragma once

#include "commands/transfer/TransferObserver.h"
#include "connections/CommandNames.h"
#include "connections/WindowParts.h"

namespace transfer {

inline constexpr const char* kSendTablesToOracleHandler = connections::command_names::kSendTablesToOracle;

/// How the rows reach Oracle: one literal INSERT per row (what the windows send), or bound
/// values in parameter arrays of one prepared INSERT, one commit per array (the command
/// line's --fast). Both put the same values in the same tables and report the same rows.
enum class InsertPath { Statements, Arrays };

/// "Send Table/s To Oracle": copies every selected FoxPro table (bottom of the list up) into
/// Oracle, asking before it replaces a table the Oracle list shows: what the window's button runs.
void SendTablesToOracle(connections::TablesWindowParts& window);
/// The same, telling observer (when not null) about each table and row, sending rows by path.
void SendTablesToOracle(connections::TablesWindowParts& window, TransferObserver* observer,
                        InsertPath path = InsertPath::Statements);

}  // namespace transfer
