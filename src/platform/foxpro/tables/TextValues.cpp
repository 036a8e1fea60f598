#include "platform/foxpro/tables/TextValues.h"

#include <algorithm>
#include <string_view>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/Calendar.h"

namespace foxpro {

namespace {

[[noreturn]] void Mismatch(const DbfField& f, const std::string& why) {
  throw ado::Failure("Data type mismatch. Field " + f.name + " (" + std::string(1, f.type) + "): " + why + ".");
}

std::string_view Trimmed(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Parses the n digits at s[pos..pos+n); false unless all are digits.
bool Digits(std::string_view s, std::size_t pos, std::size_t n, int& out) {
  if (pos + n > s.size()) return false;
  out = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    out = out * 10 + (s[i] - '0');
  }
  return true;
}

// "yyyy-mm-dd", "yyyy/mm/dd" or "yyyymmdd"; returns the characters used, 0 when not a date.
std::size_t ParseDate(std::string_view s, ado::Date& d) {
  std::size_t used = 0;
  if (Digits(s, 0, 4, d.year) && s.size() >= 10 && (s[4] == '-' || s[4] == '/') && s[7] == s[4] &&
      Digits(s, 5, 2, d.month) && Digits(s, 8, 2, d.day))
    used = 10;
  else if (Digits(s, 0, 4, d.year) && Digits(s, 4, 2, d.month) && Digits(s, 6, 2, d.day))
    used = 8;
  return used != 0 && IsStorableDate(d) ? used : 0;
}

bool ParseDateTime(std::string_view s, ado::DateTime& t) {
  const std::size_t used = ParseDate(s, t.date);
  if (used == 0) return false;
  if (used == s.size()) return true;
  if (s[used] != ' ' && s[used] != 'T') return false;
  std::size_t p = used + 1;
  if (!Digits(s, p, 2, t.hour) || p + 2 >= s.size() || s[p + 2] != ':' || !Digits(s, p + 3, 2, t.minute)) return false;
  p += 5;
  if (p < s.size()) {
    if (s[p] != ':' || !Digits(s, p + 1, 2, t.second)) return false;
    p += 3;
    if (p < s.size()) {
      if (s[p] != '.') return false;
      int ms = 0, n = 0;
      for (++p; p < s.size() && n < 3; ++p, ++n) {
        if (s[p] < '0' || s[p] > '9') return false;
        ms = ms * 10 + (s[p] - '0');
      }
      while (n++ < 3) ms *= 10;
      while (p < s.size() && s[p] >= '0' && s[p] <= '9') ++p;
      if (p != s.size()) return false;
      t.millisecond = ms;
    }
  }
  return t.hour < 24 && t.minute < 60 && t.second < 60;
}

}  // namespace

ado::Value ValueFromText(const DbfField& f, const std::string& text) {
  const std::string_view s = Trimmed(text);
  switch (f.type) {
    case 'D': {
      ado::Date d;
      if (s.empty()) return ado::Null{};
      if (ParseDate(s, d) != s.size()) Mismatch(f, "'" + text + "' is not a date");
      return d;
    }
    case 'T': {
      ado::DateTime t;
      if (s.empty()) return ado::Null{};
      if (!ParseDateTime(s, t)) Mismatch(f, "'" + text + "' is not a date and time");
      return t;
    }
    case 'L': {
      std::string upper(s);
      std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
      if (upper.empty()) return false;
      for (const char* yes : {"T", ".T.", "Y", "TRUE", "1"})
        if (upper == yes) return true;
      for (const char* no : {"F", ".F.", "N", "FALSE", "0"})
        if (upper == no) return false;
      Mismatch(f, "'" + text + "' is not a logical value");
    }
    case 'N':
    case 'F':
    case 'I':
    case 'B':
    case 'Y':
      if (s.empty()) return ado::Null{};
      return text;
    default:
      return text;
  }
}

}  // namespace foxpro
