#include "platform/ado/Utf.h"

namespace ado {

namespace {

// Continuation bytes a lead byte announces; -1 for a byte that cannot lead.
int ContinuationCount(unsigned char lead) {
  if (lead < 0x80) return 0;
  if ((lead & 0xE0) == 0xC0) return 1;
  if ((lead & 0xF0) == 0xE0) return 2;
  if ((lead & 0xF8) == 0xF0) return 3;
  return -1;
}

}  // namespace

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool NextCodePoint(std::string_view s, std::size_t& pos, char32_t& c) {
  if (pos >= s.size()) return false;
  const auto lead = static_cast<unsigned char>(s[pos]);
  const int extra = ContinuationCount(lead);
  if (extra < 0 || pos + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) return false;
  static constexpr unsigned char kLeadBits[] = {0x7F, 0x1F, 0x0F, 0x07};
  char32_t value = lead & kLeadBits[extra];
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(s[pos + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
  if (value < kMin[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
  c = value;
  pos += static_cast<std::size_t>(extra) + 1;
  return true;
}

char32_t NextCodePointOrReplacement(std::string_view s, std::size_t& pos) {
  char32_t c = 0;
  if (NextCodePoint(s, pos, c)) return c;
  const int extra = ContinuationCount(static_cast<unsigned char>(s[pos]));
  ++pos;
  for (int i = 0; i < extra && pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80; ++i) ++pos;
  return kReplacementCharacter;
}

std::size_t Utf8SequenceLength(std::string_view utf8, std::size_t at) {
  std::size_t next = at;
  char32_t c = 0;
  return NextCodePoint(utf8, next, c) ? next - at : 1;
}

std::size_t WholeCharacterLength(std::string_view utf8, std::size_t maxBytes) {
  if (maxBytes >= utf8.size()) return utf8.size();
  std::size_t cut = maxBytes;
  while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

}  // namespace ado
