#pragma once

#include "commands/transfer/TransferObserver.h"
#include "connections/CommandNames.h"
#include "connections/WindowParts.h"

namespace transfer {

inline constexpr const char* kSendTablesToFoxProHandler = connections::command_names::kSendTablesToFoxPro;

/// "Send Table/s To FoxPro": copies every selected Oracle table (bottom of the list up) into
/// the FoxPro data, one INSERT per row, asking before it replaces a table the FoxPro list
/// shows or a table file that is already there.
void SendTablesToFoxPro(connections::TablesWindowParts& window);
/// The same, telling observer (when not null) about each table and row.
void SendTablesToFoxPro(connections::TablesWindowParts& window, TransferObserver* observer);

}  // namespace transfer
