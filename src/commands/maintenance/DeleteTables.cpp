#include "commands/maintenance/DeleteTables.h"

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
  // The Oracle command has no CursorLocation statement, so its later statements number 2 lower.
  const int shift = foxPro ? 2 : 0;

  connections::ConnectionObject connection;
  trap.Step(100, [&] { connection.Create(); });
  trap.Step(102, [&] { window.Pointer.Set(connections::vbHourglass); });
  if (foxPro) trap.Step(104, [&] { connection->CursorLocation = ado::adUseServer; });
  trap.Step(104 + shift, [&] {
    connection->Open(foxPro ? connections::FoxProConnectionString(window.Fields)
                            : connections::OracleConnectionString(window.Fields));
  });
  if (trap.Test(106 + shift, [&] { return list.ListIndex() == -1; })) {
    trap.Step(108 + shift, [&] { window.Prompts.Tell("Please select a table"); });
    trap.Closing(110 + shift, [&] { window.Pointer.Set(connections::vbDefault); });
    return;
  }
  trap.For(
      112 + shift,
      [&] {
        return std::pair{list.ListCount() - 1, 0};
      },
      -1,
      [&](int i) {
        if (trap.Test(114 + shift, [&] { return list.Selected(i); })) {
          // A name that could reach past its quotes or its folder is refused; its item stays.
          if (trap.Test(122 + shift, [&] {
                connections::RequireTableName(nameSide, list.List(i));
                return false;
              }))
            return;
          trap.Step(116 + shift, [&] { connection->Execute("DROP TABLE " + quote + list.List(i) + quote); });
          trap.Step(118 + shift, [&] { list.RemoveItem(i); });
        }
      });
  trap.Closing(120 + shift, [&] { window.Pointer.Set(connections::vbDefault); });
}

}  // namespace

void DeleteFoxProTables(TablesWindowParts& window) { DeleteTables(window, Side::FoxPro); }

void DeleteOracleTables(TablesWindowParts& window) { DeleteTables(window, Side::Oracle); }

}  // namespace maintenance
