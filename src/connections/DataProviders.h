#pragma once

namespace connections {

// Plugs the ODBC driver manager and the FoxPro engine into the data access layer.
// Called once by every program (and test program) before the first connection opens.
void InstallDataProviders();

}  // namespace connections
