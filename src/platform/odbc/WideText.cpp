#include "platform/odbc/WideText.h"

#include "platform/ado/Utf.h"

namespace odbc {

WideText ToWide(std::string_view text) {
  WideText out;
  out.reserve(text.size() + 1);
  AppendWide(out, text);
  out.push_back(0);
  return out;
}

void AppendWide(WideText& out, std::string_view text) { ado::AppendUtf16(out, text); }

void AppendUtf8(std::string& out, const SQLWCHAR* units, std::size_t count) {
  ado::AppendUtf8FromUtf16(out, units, count);
}

std::string ToUtf8(const SQLWCHAR* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  AppendUtf8(out, units, count);
  return out;
}

}  // namespace odbc
