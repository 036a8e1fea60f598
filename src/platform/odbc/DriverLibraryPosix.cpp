#include <dlfcn.h>
#include <unistd.h>

#include "platform/odbc/DriverLibrary.h"

namespace odbc {

bool DriverFileExists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

std::string DriverLoadFailure(const std::string& path) {
  if (void* handle = ::dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL); handle != nullptr) {
    ::dlclose(handle);
    return {};
  }
  const char* error = ::dlerror();
  return error != nullptr ? error : "";
}

}  // namespace odbc
