#include "commands/maintenance/DeleteTables.h"

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
  CountItems,
  TestSelected,
  TestName,
  Drop,
  RemoveItem,
  PointerAtEnd
};

// The two commands are twins: list, connection and the quoting of the name differ.
void DeleteTables(TablesWindowParts& window, Side side) {
  const bool foxPro = side == Side::FoxPro;
  const connections::TableSide nameSide = foxPro ? connections::TableSide::FoxPro : connections::TableSide::Oracle;
  FailureTrap trap(
      window.Prompts,
      foxPro ? connections::command_names::kDeleteFoxProTables : connections::command_names::kDeleteOracleTables,
      nullptr, connections::StopButton::kOffered);
  ListBox& list = foxPro ? window.List1 : window.List2;
  const std::string quote = foxPro ? "`" : "\"";
  // The Oracle command has no CursorLocation step: its later steps stand one place earlier.
  const auto step = [&](Step s) {
    return connections::StepNumber(connections::StepNumber(s).value - (!foxPro && s > Step::CursorLocation ? 2 : 0));
  };

  connections::ConnectionObject connection;
  trap.Step(step(Step::CreateObject), [&] { connection.Create(); });
  trap.Step(step(Step::Hourglass), [&] { window.Pointer.Set(connections::vbHourglass); });
  if (foxPro) trap.Step(step(Step::CursorLocation), [&] { connection->CursorLocation = ado::adUseServer; });
  trap.Step(step(Step::Open), [&] { OpenSide(*connection, foxPro, window.Fields); });
  if (trap.Test(step(Step::TestSelection), [&] { return list.ListIndex() == -1; })) {
    trap.Step(step(Step::AskForSelection), [&] { window.Prompts.Tell("Please select a table"); });
    trap.Closing(step(Step::PointerAfterAsking), [&] { window.Pointer.Set(connections::vbDefault); });
    return;
  }
  trap.For(
      step(Step::CountItems),
      [&] {
        return std::pair{list.ListCount() - 1, 0};
      },
      -1,
      [&](int i) {
        if (trap.Test(step(Step::TestSelected), [&] { return list.Selected(i); })) {
          // A name that could reach past its quotes or its folder is refused; its item stays.
          if (trap.Test(step(Step::TestName), [&] {
                connections::RequireTableName(nameSide, list.List(i));
                return false;
              }))
            return;
          trap.Step(step(Step::Drop), [&] { connection->Execute("DROP TABLE " + quote + list.List(i) + quote); });
          trap.Step(step(Step::RemoveItem), [&] { list.RemoveItem(i); });
        }
      });
  trap.Closing(step(Step::PointerAtEnd), [&] { window.Pointer.Set(connections::vbDefault); });
}

}  // namespace

void DeleteFoxProTables(TablesWindowParts& window) { DeleteTables(window, Side::FoxPro); }

void DeleteOracleTables(TablesWindowParts& window) { DeleteTables(window, Side::Oracle); }

}  // namespace maintenance
