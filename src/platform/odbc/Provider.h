#pragma once

namespace odbc {

// Registers the ODBC driver manager as the provider of connection strings without
// a "Provider=" key.
void RegisterOdbcProvider();

}  // namespace odbc
