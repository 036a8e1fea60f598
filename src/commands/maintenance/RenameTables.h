#pragma once

#include "connections/WindowParts.h"

namespace maintenance {

/// Oracle "Rename Table" (Form2.PushButton7_Click): renames the one selected table of List2
/// to the name typed in an input box and puts the new name in the list.
void RenameOracleTable(connections::TablesWindowParts& window);

/// FoxPro "Rename Table" (Form2.PushButton6_Click): the same for the one selected table of List1.
void RenameFoxProTable(connections::TablesWindowParts& window);

}  // namespace maintenance
