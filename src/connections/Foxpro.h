#pragma once

#include <string>

#include "connections/ListBox.h"
#include "connections/Prompter.h"
#include "connections/WindowParts.h"
#include "platform/ado/Connection.h"
#include "platform/foxpro/tables/CodePage.h"

namespace connections {

/// The FoxPro string of the current mode: Text4 with "machine" collation when Option1
/// is selected, else Text5 with "general"; paths verbatim.
std::string FoxProConnectionString(const ConnectionFields& fields);

/// True when a connection with the FoxPro string opens, or the fields name a new container
/// that can be made. A failure to create the connection object is not caught here: it
/// reaches the caller's trap.
bool CheckFoxProConnection(const ConnectionFields& fields);

/// The FoxPro "Test Connection" button (Form1.PushButton1_Click); for a new container it says
/// that the container will be created, or why it cannot be.
void TestFoxProConnection(Prompter& prompter, MousePointer& pointer, const ConnectionFields& fields);

/// True when the fields name a database container that does not exist (letter case ignored)
/// in a folder the path names and that exists: a new one, which the first copy into it makes.
bool ContainerIsNew(const ConnectionFields& fields);

/// Makes the fields' database container, empty and marked with their code page, when it does
/// not exist; its path keeps the rules of RequireNewContainerPath. Failures propagate.
void CreateNewContainer(const ConnectionFields& fields);

/// Opens connection on the fields' FoxPro data: the FoxPro string, and the code page the fields
/// give tables that carry no code page mark.
void OpenFoxPro(ado::Connection& connection, const ConnectionFields& fields);

/// Clears list and fills it with the tables the provider reports as "TABLE"; failures propagate.
/// unmarkedCodePage: what a container that carries no code page mark is read in.
void LoadFoxProTables(ListBox& list, const std::string& connectionString,
                      int unmarkedCodePage = foxpro::kOemDefaultCodePage);

}  // namespace connections
