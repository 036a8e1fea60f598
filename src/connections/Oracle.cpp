#include "connections/Oracle.h"

#include <exception>

#include "connections/CommandNames.h"
#include "connections/ConnectionObject.h"
#include "connections/DoEvents.h"
#include "connections/FailureTrap.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"

namespace connections {

std::string OracleConnectionString(const ConnectionFields& fields) {
  // A value that would end early or be trimmed goes in braces; any other exactly as typed.
  using ado::ConnectionStringValueText;
  const std::string dsn = fields.OracleDsn();
  const std::string source = dsn.empty() ? "Driver=" + ado::BracedConnectionStringValue(fields.OracleDriver())
                                         : "DSN=" + ConnectionStringValueText(dsn);
  return source + ";Server=" + ConnectionStringValueText(fields.OracleServer()) +
         ";Uid=" + ConnectionStringValueText(fields.OracleUser()) +
         ";Pwd=" + ConnectionStringValueText(fields.OraclePassword()) + ";";
}

bool CheckOracleConnection(const ConnectionFields& fields) {
  ado::Connection connection;
  connection.Yield = &DoEvents;  // the window stays live while it waits
  try {
    connection.Open(OracleConnectionString(fields));
    return true;
  } catch (const std::exception&) {
    return false;  // the check's answer is the only outcome; the description is not shown
  }
}

void TestOracleConnection(Prompter& prompter, MousePointer& pointer, const ConnectionFields& fields) {
  // The trap covers only the creation of the connection; later failures take the test's own path.
  FailureTrap trap(prompter, connections::command_names::kTestOracleConnection);
  ConnectionObject connection;
  trap.Step(100, [&] { connection.Create(); });
  try {
    pointer.Set(vbHourglass);
    connection->Open(OracleConnectionString(fields));
    prompter.Tell("Connection successful.");
    pointer.Set(vbDefault);
  } catch (const std::exception&) {
    prompter.Tell("Could not connect. Please check with your administrator.");
    pointer.Set(vbDefault);
  }
}

void LoadOracleTables(ListBox& list, const ConnectionFields& fields) {
  ado::Connection connection;
  connection.Yield = &DoEvents;  // the window stays live while it waits
  ado::Recordset tables;
  connection.CursorLocation = ado::adUseClient;  // so that RecordCount is exact
  connection.Open(OracleConnectionString(fields));
  tables.Open(kOracleCatalogQuery, connection);
  list.Clear();
  const long count = tables.RecordCount();
  for (long row = 1; row <= count; ++row) {
    DoEvents();
    list.AddItem(ado::ValueToText(tables.Fields(0).Value));
    tables.MoveNext();
  }
  tables.Close();
  if (list.ListCount() > 0) list.SetListIndex(0);
}

}  // namespace connections
