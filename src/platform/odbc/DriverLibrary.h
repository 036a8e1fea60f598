#pragma once

#include <string>

namespace odbc {

// What the system's loader says of a driver's library, for a hint that names the cause when
// the driver manager could not load it (its own message only says "file not found").

/// Whether a file is there at path.
bool DriverFileExists(const std::string& path);

/// The loader's reason why the library at path will not load (a library it needs that is
/// missing, say); empty when it loads or no reason is given.
std::string DriverLoadFailure(const std::string& path);

}  // namespace odbc
