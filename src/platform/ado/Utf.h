#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ado {

// The program's one UTF-8 / UTF-16 coder: the FoxPro engine's code pages, ODBC's wide calls
// and the Windows API's W calls all go through it.

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

/// Appends the UTF-8 encoding of a code point.
void AppendUtf8(char32_t codePoint, std::string& out);

/// Decodes the next code point of utf8 at pos (advancing pos); returns false, pos unchanged,
/// when the sequence there is malformed, overlong, a surrogate or past U+10FFFF.
bool NextCodePoint(std::string_view utf8, std::size_t& pos, char32_t& codePoint);

/// The next code point of utf8 at pos, U+FFFD for a malformed sequence (which is passed over
/// with the continuation bytes that belong to it).
char32_t NextCodePointOrReplacement(std::string_view utf8, std::size_t& pos);

/// Bytes of the UTF-8 character that starts at index at: 1 for a byte that starts no whole,
/// well-formed character (texts are counted in characters, not bytes).
std::size_t Utf8SequenceLength(std::string_view utf8, std::size_t at);

/// The longest length up to maxBytes that does not cut a UTF-8 character in two.
std::size_t WholeCharacterLength(std::string_view utf8, std::size_t maxBytes);

/// Appends the UTF-16 units of UTF-8 text to out (any container of 16-bit units); malformed
/// sequences become U+FFFD.
template <class Units>
void AppendUtf16(Units& out, std::string_view utf8) {
  using Unit = typename Units::value_type;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    if (lead < 0x80) {
      out.push_back(static_cast<Unit>(lead));
      ++pos;
      continue;
    }
    char32_t c = NextCodePointOrReplacement(utf8, pos);
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<Unit>(0xD800 + (c >> 10)));
      out.push_back(static_cast<Unit>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<Unit>(c));
    }
  }
}

/// Appends the UTF-8 text of UTF-16 units to out; a lone surrogate becomes U+FFFD.
template <class Unit>
void AppendUtf8FromUtf16(std::string& out, const Unit* units, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const char32_t unit = units[i];
    if (unit < 0x80) {
      out.push_back(static_cast<char>(unit));
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
      AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (static_cast<char32_t>(units[i + 1]) - 0xDC00), out);
      ++i;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      AppendUtf8(kReplacementCharacter, out);
    } else {
      AppendUtf8(unit, out);
    }
  }
}

/// UTF-8 text as the UTF-16 units of a Windows API wide (W) call; malformed sequences become U+FFFD.
inline std::wstring WideString(std::string_view utf8) {
  std::wstring wide;
  AppendUtf16(wide, utf8);
  return wide;
}

/// The UTF-8 text of UTF-16 units that a Windows API wide call gave back.
inline std::string Utf8FromWide(const wchar_t* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  AppendUtf8FromUtf16(out, units, count);
  return out;
}

}  // namespace ado
