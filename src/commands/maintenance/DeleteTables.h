#pragma once

#include "connections/WindowParts.h"

namespace maintenance {

/// FoxPro "Delete Table/s" (Form2.PushButton1_Click): drops the selected FoxPro tables,
/// bottom-up, and removes their names from List1.
void DeleteFoxProTables(connections::TablesWindowParts& window);

/// Oracle "Delete Table/s" (Form2.PushButton5_Click): drops the selected Oracle tables,
/// bottom-up, and removes their names from List2.
void DeleteOracleTables(connections::TablesWindowParts& window);

}  // namespace maintenance
