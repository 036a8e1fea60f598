#include "commands/maintenance/RenameTables.h"

#include <string>
#include <utility>

#include "connections/CommandNames.h"
#include "connections/ConnectionObject.h"
#include "connections/FailureTrap.h"
#include "connections/Foxpro.h"
#include "connections/NameRules.h"
#include "connections/Oracle.h"
#include "platform/ado/Types.h"

namespace maintenance {
namespace {

using connections::FailureTrap;
using connections::ListBox;
using connections::TablesWindowParts;

enum class Side { FoxPro, Oracle };

std::string RenameStatement(Side side, const std::string& oldName, const std::string& newName) {
  if (side == Side::FoxPro) return "RENAME TABLE `" + oldName + "` TO `" + newName + "`";
  return "RENAME \"" + oldName + "\" TO \"" + newName + "\"";
}

void RenameTable(TablesWindowParts& window, Side side) {
  const bool foxPro = side == Side::FoxPro;
  const connections::TableSide nameSide = foxPro ? connections::TableSide::FoxPro : connections::TableSide::Oracle;
  FailureTrap trap(
      window.Prompts,
      foxPro ? connections::command_names::kRenameFoxProTable : connections::command_names::kRenameOracleTable, nullptr,
      connections::StopButton::kOffered);
  ListBox& list = foxPro ? window.List1 : window.List2;
  // The Oracle command has no CursorLocation statement, so its later statements number 2 lower.
  const int shift = foxPro ? 2 : 0;

  connections::ConnectionObject connection;
  std::string oldName;
  std::string newName;
  trap.Step(100, [&] { connection.Create(); });
  trap.Step(102, [&] { window.Pointer.Set(connections::vbHourglass); });
  if (foxPro) trap.Step(104, [&] { connection->CursorLocation = ado::adUseServer; });
  trap.Step(104 + shift, [&] {
    connection->Open(foxPro ? connections::FoxProConnectionString(window.Fields)
                            : connections::OracleConnectionString(window.Fields));
  });
  if (trap.Test(106 + shift, [&] { return list.ListIndex() == -1; })) {
    trap.Step(108 + shift, [&] { window.Prompts.Tell("Please select a table to rename."); });
    trap.Closing(110 + shift, [&] { window.Pointer.Set(connections::vbDefault); });
    return;
  }
  if (trap.Test(112 + shift, [&] { return list.SelCount() != 1; })) {
    trap.Step(114 + shift, [&] { window.Prompts.Tell("Please select just one table to rename."); });
    trap.Closing(116 + shift, [&] { window.Pointer.Set(connections::vbDefault); });
    return;
  }
  trap.For(
      118 + shift,
      [&] {
        return std::pair{list.ListCount() - 1, 0};
      },
      -1,
      [&](int i) {
        if (!trap.Test(120 + shift, [&] { return list.Selected(i); })) return;
        trap.Step(122 + shift, [&] { oldName = list.List(i); });
        if (trap.Test(140 + shift, [&] {
              connections::RequireTableName(nameSide, oldName);
              return false;
            }))
          return;
        trap.Step(124 + shift,
                  [&] { newName = window.Prompts.AskText("Enter new name of " + oldName + ":", oldName); });
        // Cancel, or a cleared field, leaves this item alone.
        if (!trap.Test(126 + shift, [&] { return !newName.empty(); })) return;
        // A refused new name leaves the table and its list item as they were.
        if (trap.Test(142 + shift, [&] {
              connections::RequireNewTableName(nameSide, newName);
              return false;
            }))
          return;
        trap.Step(128 + shift, [&] { connection->Execute(RenameStatement(side, oldName, newName)); });
        trap.Step(130 + shift, [&] { list.RemoveItem(i); });
        trap.Step(132 + shift, [&] { list.AddItem(newName); });
        if (trap.Test(134 + shift, [&] { return list.ListCount() > 0; }))
          trap.Step(136 + shift, [&] { list.SetListIndex(0); });
      });
  trap.Closing(138 + shift, [&] { window.Pointer.Set(connections::vbDefault); });
}

}  // namespace

void RenameOracleTable(TablesWindowParts& window) { RenameTable(window, Side::Oracle); }

void RenameFoxProTable(TablesWindowParts& window) { RenameTable(window, Side::FoxPro); }

}  // namespace maintenance
