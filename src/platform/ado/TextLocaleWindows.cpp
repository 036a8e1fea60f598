#include <windows.h>

#include <string>

#include "platform/ado/Value.h"

namespace ado {
namespace {

// The user's setting from Regional settings, as UTF-8; empty when there is none.
std::string UserLocaleText(LCTYPE item) {
  wchar_t text[128];
  const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, text, 128);
  std::string out;
  for (int i = 0; i + 1 < length; ++i) {
    if (text[i] >= 0x80) return {};  // the short date's letters and separators are ASCII
    out.push_back(static_cast<char>(text[i]));
  }
  return out;
}

// Windows' short date already uses d, M and y; the year is always shown in full.
std::string ShortDatePattern(const std::string& windowsPattern) {
  std::string pattern;
  for (std::size_t i = 0; i < windowsPattern.size(); ++i) {
    if (windowsPattern[i] != 'y') {
      pattern.push_back(windowsPattern[i]);
      continue;
    }
    while (i + 1 < windowsPattern.size() && windowsPattern[i + 1] == 'y') ++i;
    pattern += "yyyy";
  }
  if (pattern.find('d') == std::string::npos || pattern.find('M') == std::string::npos ||
      pattern.find('y') == std::string::npos || pattern.find("ddd") != std::string::npos ||
      pattern.find("MMM") != std::string::npos) {
    return TextLocale().shortDate;
  }
  return pattern;
}

}  // namespace

TextLocale TextLocale::FromEnvironment() {
  TextLocale result;
  const std::string separator = UserLocaleText(LOCALE_SDECIMAL);
  if (separator.size() == 1) result.decimalSeparator = separator[0];
  const std::string shortDate = UserLocaleText(LOCALE_SSHORTDATE);
  if (!shortDate.empty()) result.shortDate = ShortDatePattern(shortDate);
  return result;
}

}  // namespace ado
