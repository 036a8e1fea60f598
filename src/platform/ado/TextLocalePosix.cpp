#include <langinfo.h>

#include <clocale>
#include <string>

#include "platform/ado/Value.h"

namespace ado {
namespace {

// Maps an strftime date format (D_FMT) to the d/M/yyyy placeholders.
std::string PatternFromStrftime(const std::string& format) {
  std::string pattern;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || i + 1 == format.size()) {
      pattern.push_back(format[i]);
      continue;
    }
    char conversion = format[++i];
    if ((conversion == 'E' || conversion == 'O' || conversion == '-' || conversion == '_' || conversion == '0') &&
        i + 1 < format.size()) {
      conversion = format[++i];  // modifiers and padding flags
    }
    switch (conversion) {
      case 'd':
        pattern += "dd";
        break;
      case 'e':
        pattern += "d";
        break;
      case 'm':
        pattern += "MM";
        break;
      case 'y':
      case 'Y':
        pattern += "yyyy";
        break;
      case 'D':
        pattern += "MM/dd/yyyy";
        break;
      case 'F':
        pattern += "yyyy-MM-dd";
        break;
      case '%':
        pattern += '%';
        break;
      default:
        break;  // names of days and months have no place in a short date
    }
  }
  if (pattern.find('d') == std::string::npos || pattern.find('M') == std::string::npos ||
      pattern.find('y') == std::string::npos) {
    return TextLocale().shortDate;
  }
  return pattern;
}

}  // namespace

TextLocale TextLocale::FromEnvironment() {
  TextLocale result;
  // Read the user's categories without disturbing the process-wide C locale.
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (numeric != static_cast<locale_t>(nullptr)) {
    const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
    if (radix != nullptr && radix[0] != '\0' && radix[1] == '\0') result.decimalSeparator = radix[0];
    freelocale(numeric);
  }
  locale_t time = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
  if (time != static_cast<locale_t>(nullptr)) {
    const char* format = nl_langinfo_l(D_FMT, time);
    if (format != nullptr && format[0] != '\0') result.shortDate = PatternFromStrftime(format);
    freelocale(time);
  }
  return result;
}

}  // namespace ado
