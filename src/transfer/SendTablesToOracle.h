#pragma once

#include "connections/WindowParts.h"
#include "transfer/TransferObserver.h"

namespace transfer {

inline constexpr const char* kSendTablesToOracleHandler = "Form2.PushButton3_Click";

/// "Send Table/s To Oracle": copies every selected FoxPro table (bottom of the list up) into
/// Oracle, one INSERT per row, asking before it replaces a table the Oracle list shows.
void SendTablesToOracle(connections::TablesWindowParts& window);
/// The same, telling observer (when not null) about each table and row.
void SendTablesToOracle(connections::TablesWindowParts& window, TransferObserver* observer);

}  // namespace transfer
