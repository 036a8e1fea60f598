#pragma once

#include <string>

#include "connections/ListBox.h"
#include "connections/Prompter.h"
#include "connections/WindowParts.h"

namespace connections {

inline constexpr const char* kOracleCatalogQuery = "SELECT table_name FROM user_tables";

/// "Driver={Microsoft ODBC for Oracle};Server=...;Uid=...;Pwd=...;" from Text1..Text3, verbatim;
/// the driver as the profile names it, or "DSN=..." in its place when a data source is named.
std::string OracleConnectionString(const ConnectionFields& fields);

/// True when a connection with the Oracle string opens. A failure to create the
/// connection object is not caught here: it reaches the caller's trap.
bool CheckOracleConnection(const ConnectionFields& fields);

/// The Oracle "Test Connection" button (Form1.PushButton3_Click).
void TestOracleConnection(Prompter& prompter, MousePointer& pointer, const ConnectionFields& fields);

/// Clears list and fills it with the Oracle user's tables; failures propagate.
void LoadOracleTables(ListBox& list, const ConnectionFields& fields);

}  // namespace connections
