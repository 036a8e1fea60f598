#include "platform/odbc/WideText.h"

namespace odbc {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void PutUnit(WideText& out, char32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<SQLWCHAR>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<SQLWCHAR>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<SQLWCHAR>(cp));
  }
}

void PutUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

WideText ToWide(std::string_view text) {
  WideText out;
  out.reserve(text.size() + 1);
  AppendWide(out, text);
  out.push_back(0);
  return out;
}

void AppendWide(WideText& out, std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* const end = p + text.size();
  while (p < end) {
    const unsigned char lead = *p;
    if (lead < 0x80) {
      out.push_back(lead);
      ++p;
      continue;
    }
    int extra;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, cp = lead & 0x07, minimum = 0x10000;
    } else {
      PutUnit(out, kReplacement);
      ++p;
      continue;
    }
    int taken = 0;
    while (taken < extra && p + 1 + taken < end && (p[1 + taken] & 0xC0) == 0x80) {
      cp = (cp << 6) | (p[1 + taken] & 0x3F);
      ++taken;
    }
    if (taken < extra || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      PutUnit(out, kReplacement);
      p += 1 + taken;
      continue;
    }
    PutUnit(out, cp);
    p += 1 + extra;
  }
}

void AppendUtf8(std::string& out, const SQLWCHAR* units, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const char32_t unit = units[i];
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      PutUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      PutUtf8(out, kReplacement);
    } else {
      PutUtf8(out, unit);
    }
  }
}

std::string ToUtf8(const SQLWCHAR* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  AppendUtf8(out, units, count);
  return out;
}

}  // namespace odbc
