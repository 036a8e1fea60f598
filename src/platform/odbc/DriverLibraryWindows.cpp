#include <windows.h>

#include <string>

#include "platform/ado/Utf.h"
#include "platform/odbc/DriverLibrary.h"

namespace odbc {
namespace {

std::wstring Wide(const std::string& utf8) {
  std::wstring wide;
  ado::AppendUtf16(wide, utf8);
  return wide;
}

}  // namespace

bool DriverFileExists(const std::string& path) {
  return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string DriverLoadFailure(const std::string& path) {
  if (HMODULE module = ::LoadLibraryW(Wide(path).c_str()); module != nullptr) {
    ::FreeLibrary(module);
    return {};
  }
  wchar_t* text = nullptr;
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, ::GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (length > 0) ado::AppendUtf8FromUtf16(reason, text, length);
  ::LocalFree(text);
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ')) reason.pop_back();
  return reason;
}

}  // namespace odbc
