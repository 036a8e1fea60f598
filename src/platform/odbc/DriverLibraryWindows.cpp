#include <windows.h>

#include <string>

#include "platform/ado/Utf.h"
#include "platform/odbc/DriverLibrary.h"

namespace odbc {

bool DriverFileExists(const std::string& path) {
  return ::GetFileAttributesW(ado::WideString(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string DriverLoadFailure(const std::string& path) {
  if (HMODULE module = ::LoadLibraryW(ado::WideString(path).c_str()); module != nullptr) {
    ::FreeLibrary(module);
    return {};
  }
  wchar_t* text = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, ::GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = ado::Utf8FromWide(text, length);
  ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  return reason;
}

}  // namespace odbc
