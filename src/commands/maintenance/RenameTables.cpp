#include "commands/maintenance/RenameTables.h"

#include <string>
#include <utility>

#include "commands/maintenance/SideConnection.h"
#include "connections/CommandNames.h"
#include "connections/ConnectionObject.h"
#include "connections/FailureTrap.h"
#include "connections/NameRules.h"
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

// The command's steps in the order they are written and run; a failure report gives the step
// at position k the number 100 + 2k.
enum class Step {
  CreateObject,
  Hourglass,
  CursorLocation,
  Open,
  TestSelection,
  AskForSelection,
  PointerAfterAsking,
  TestSingle,
  AskForOne,
  PointerAfterAskingForOne,
  CountItems,
  TestSelected,
  TakeOldName,
  TestOldName,
  AskNewName,
  TestNameGiven,
  TestNewName,
  Rename,
  RemoveItem,
  AddItem,
  TestListed,
  SelectFirst,
  PointerAtEnd
};

void RenameTable(TablesWindowParts& window, Side side) {
  const bool foxPro = side == Side::FoxPro;
  const connections::TableSide nameSide = foxPro ? connections::TableSide::FoxPro : connections::TableSide::Oracle;
  FailureTrap trap(
      window.Prompts,
      foxPro ? connections::command_names::kRenameFoxProTable : connections::command_names::kRenameOracleTable, nullptr,
      connections::StopButton::kOffered);
  ListBox& list = foxPro ? window.List1 : window.List2;
  // The Oracle command has no CursorLocation step: its later steps stand one place earlier.
  const auto step = [&](Step s) {
    return connections::StepNumber(connections::StepNumber(s).value - (!foxPro && s > Step::CursorLocation ? 2 : 0));
  };

  connections::ConnectionObject connection;
  std::string oldName;
  std::string newName;
  trap.Step(step(Step::CreateObject), [&] { connection.Create(); });
  trap.Step(step(Step::Hourglass), [&] { window.Pointer.Set(connections::vbHourglass); });
  if (foxPro) trap.Step(step(Step::CursorLocation), [&] { connection->CursorLocation = ado::adUseServer; });
  trap.Step(step(Step::Open), [&] { OpenSide(*connection, foxPro, window.Fields); });
  if (trap.Test(step(Step::TestSelection), [&] { return list.ListIndex() == -1; })) {
    trap.Step(step(Step::AskForSelection), [&] { window.Prompts.Tell("Please select a table to rename."); });
    trap.Closing(step(Step::PointerAfterAsking), [&] { window.Pointer.Set(connections::vbDefault); });
    return;
  }
  if (trap.Test(step(Step::TestSingle), [&] { return list.SelCount() != 1; })) {
    trap.Step(step(Step::AskForOne), [&] { window.Prompts.Tell("Please select just one table to rename."); });
    trap.Closing(step(Step::PointerAfterAskingForOne), [&] { window.Pointer.Set(connections::vbDefault); });
    return;
  }
  trap.For(
      step(Step::CountItems),
      [&] {
        return std::pair{list.ListCount() - 1, 0};
      },
      -1,
      [&](int i) {
        if (!trap.Test(step(Step::TestSelected), [&] { return list.Selected(i); })) return;
        trap.Step(step(Step::TakeOldName), [&] { oldName = list.List(i); });
        if (trap.Test(step(Step::TestOldName), [&] {
              connections::RequireTableName(nameSide, oldName);
              return false;
            }))
          return;
        trap.Step(step(Step::AskNewName),
                  [&] { newName = window.Prompts.AskText("Enter new name of " + oldName + ":", oldName); });
        // Cancel, or a cleared field, leaves this item alone.
        if (!trap.Test(step(Step::TestNameGiven), [&] { return !newName.empty(); })) return;
        // A refused new name leaves the table and its list item as they were.
        if (trap.Test(step(Step::TestNewName), [&] {
              connections::RequireNewTableName(nameSide, newName);
              return false;
            }))
          return;
        trap.Step(step(Step::Rename), [&] { connection->Execute(RenameStatement(side, oldName, newName)); });
        trap.Step(step(Step::RemoveItem), [&] { list.RemoveItem(i); });
        trap.Step(step(Step::AddItem), [&] { list.AddItem(newName); });
        if (trap.Test(step(Step::TestListed), [&] { return list.ListCount() > 0; }))
          trap.Step(step(Step::SelectFirst), [&] { list.SetListIndex(0); });
      });
  trap.Closing(step(Step::PointerAtEnd), [&] { window.Pointer.Set(connections::vbDefault); });
}

}  // namespace

void RenameOracleTable(TablesWindowParts& window) { RenameTable(window, Side::Oracle); }

void RenameFoxProTable(TablesWindowParts& window) { RenameTable(window, Side::FoxPro); }

}  // namespace maintenance
