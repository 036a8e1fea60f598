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
  const std::wstring wideA = Wide(a);
  const std::wstring wideB = Wide(b);
  // Unit by unit after case folding, as Qt's case-insensitive compare: no linguistic order.
  return ::CompareStringOrdinal(wideA.data(), static_cast<int>(wideA.size()), wideB.data(),
                                static_cast<int>(wideB.size()), TRUE) -
         CSTR_EQUAL;
}

}  // namespace connections
