#include <windows.h>

#include "connections/TextCase.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Utf.h"

namespace connections {
namespace {

std::wstring Wide(const std::string& text) {
  std::wstring wide;
  ado::AppendUtf16(wide, text);
  return wide;
}

}  // namespace

std::string LowerCase(const std::string& text) {
  std::wstring wide = Wide(text);
  if (wide.empty()) return {};
  // Linguistic casing without a locale's special rules (the Turkish dotless i), as Qt's toLower.
  std::wstring lower(wide.size() * 2, L'\0');
  const int length = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, wide.data(), static_cast<int>(wide.size()),
                                     lower.data(), static_cast<int>(lower.size()), nullptr, nullptr, 0);
  if (length <= 0) throw ado::Failure("Cannot change the letter case of \"" + text + "\".");
  std::string out;
  ado::AppendUtf8FromUtf16(out, lower.data(), static_cast<std::size_t>(length));
  return out;
}

int CompareIgnoringCase(const std::string& a, const std::string& b) {
  // Unit by unit after folding to lower case, as Qt's case-insensitive compare: no linguistic
  // order, and "_x" before "Alpha" as on Linux.
  const std::wstring lowerA = Wide(LowerCase(a));
  const std::wstring lowerB = Wide(LowerCase(b));
  return lowerA.compare(lowerB);
}

}  // namespace connections
