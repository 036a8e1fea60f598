#pragma once

#include <string>
#include <string_view>

namespace odbc {

// The text handed to SQLDriverConnect: the connection string exactly as built, plus
// "DBQ=<server>;" when it names a Server but no DBQ. Oracle's own driver takes the
// service only as DBQ; other drivers ignore the extra key.
std::string DriverConnectString(std::string_view connectionString);

}  // namespace odbc
