#include "connections/Foxpro.h"

#include <exception>
#include <memory>

#include "connections/CommandNames.h"
#include "connections/ConnectionObject.h"
#include "connections/DoEvents.h"
#include "connections/FailureTrap.h"
#include "connections/NameRules.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Provider.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/foxpro/containers/DbcCatalog.h"
#include "platform/foxpro/files/FileIo.h"

namespace connections {

std::string FoxProConnectionString(const ConnectionFields& fields) {
  // A path that would end early or be trimmed goes in braces; any other exactly as typed.
  using ado::ConnectionStringValueText;
  if (fields.DbcMode())
    return "Provider=vfpoledb.1;Data Source=" + ConnectionStringValueText(fields.DbcFile()) +
           ";Collating Sequence=machine;";
  return "Provider=vfpoledb.1;Data Source=" + ConnectionStringValueText(fields.FreeTableFolder()) +
         ";Collating Sequence=general;";
}

// Why a new container could not be made at the fields' path; empty when it could.
std::string NewContainerRefusal(const ConnectionFields& fields) {
  try {
    RequireNewContainerPath(fields.DbcFile());
  } catch (const std::exception& refused) {
    return refused.what();
  }
  return {};
}

bool CheckFoxProConnection(const ConnectionFields& fields) {
  // A container chosen by a new name is made when tables are first sent into it.
  if (ContainerIsNew(fields)) return NewContainerRefusal(fields).empty();
  ado::Connection connection;
  connection.Yield = &DoEvents;  // the window stays live while it waits
  try {
    connection.CursorLocation = ado::adUseServer;
    OpenFoxPro(connection, fields);
    return true;
  } catch (const std::exception&) {
    return false;  // the check's answer is the only outcome; the description is not shown
  }
}

void TestFoxProConnection(Prompter& prompter, MousePointer& pointer, const ConnectionFields& fields) {
  // The trap covers only the creation of the connection; later failures take the test's own path.
  FailureTrap trap(prompter, connections::command_names::kTestFoxProConnection);
  ConnectionObject connection;
  trap.Step(100, [&] { connection.Create(); });
  if (ContainerIsNew(fields)) {
    const std::string refusal = NewContainerRefusal(fields);
    prompter.Tell(refusal.empty() ? "The database container " + fields.DbcFile() +
                                        " does not exist yet; it will be created when tables are sent to FoxPro."
                                  : refusal);
    return;
  }
  try {
    pointer.Set(vbHourglass);
    connection->CursorLocation = ado::adUseServer;
    OpenFoxPro(*connection, fields);
    prompter.Tell("Connection successful.");
    pointer.Set(vbDefault);
  } catch (const std::exception&) {
    prompter.Tell("Could not connect.");
    pointer.Set(vbDefault);
  }
}

bool ContainerIsNew(const ConnectionFields& fields) {
  if (!fields.DbcMode() || fields.DbcFile().empty()) return false;
  // A path into a folder that is not there names no place a container could be made.
  return !foxpro::FolderPart(fields.DbcFile()).empty() && foxpro::IsFolder(foxpro::ParentFolder(fields.DbcFile())) &&
         foxpro::DiskFileSystem().FindIgnoringCase(fields.DbcFile()).empty();
}

void CreateNewContainer(const ConnectionFields& fields) {
  if (!ContainerIsNew(fields)) return;
  RequireNewContainerPath(fields.DbcFile());
  foxpro::DbcCatalog::CreateEmpty(fields.DbcFile(), fields.CodePage());
}

void OpenFoxPro(ado::Connection& connection, const ConnectionFields& fields) {
  connection.UnmarkedCodePage = fields.SourceCodePage();
  connection.Open(FoxProConnectionString(fields));
}

void LoadFoxProTables(ListBox& list, const std::string& connectionString, int unmarkedCodePage) {
  ado::Connection connection;
  connection.Yield = &DoEvents;  // the window stays live while it waits
  connection.UnmarkedCodePage = unmarkedCodePage;
  connection.Open(connectionString);
  std::unique_ptr<ado::Recordset> tables = connection.OpenSchema(ado::adSchemaTables);
  list.Clear();
  while (!tables->Eof()) {
    // Views, system tables and rows without a type are not listed.
    if (ado::ValueToText(tables->Fields("TABLE_TYPE").Value) == "TABLE") {
      DoEvents();
      list.AddItem(ado::ValueToText(tables->Fields("TABLE_NAME").Value));
    }
    tables->MoveNext();
  }
  tables->Close();
  connection.Close();
}

}  // namespace connections
