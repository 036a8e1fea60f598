#include <windows.h>

#include "platform/ado/Failure.h"
#include "platform/ado/Utf.h"
#include "platform/os/TextCase.h"

namespace os {

std::string LowerCase(const std::string& text) {
  const std::wstring wide = ado::WideString(text);
  if (wide.empty()) return {};
  // Linguistic casing without a locale's special rules (the Turkish dotless i), as Qt's toLower.
  std::wstring lower(wide.size() * 2, L'\0');
  const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.data(), static_cast<int>(wide.size()),
                                     lower.data(), static_cast<int>(lower.size()), nullptr, nullptr, 0);
  if (length <= 0) throw ado::Failure("Cannot change the letter case of \"" + text + "\".");
  return ado::Utf8FromWide(lower.data(), static_cast<std::size_t>(length));
}

int CompareIgnoringCase(const std::string& a, const std::string& b) {
  // Unit by unit after folding to lower case, as Qt's case-insensitive compare: no linguistic
  // order, and "_x" before "Alpha" as on Linux.
  const std::wstring lowerA = ado::WideString(LowerCase(a));
  const std::wstring lowerB = ado::WideString(LowerCase(b));
  return lowerA.compare(lowerB);
}

}  // namespace os
