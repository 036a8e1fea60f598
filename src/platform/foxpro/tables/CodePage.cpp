#include "platform/foxpro/tables/CodePage.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>
#include <span>
#include <unordered_map>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/CharsetConverter.h"

namespace foxpro {

namespace {

// dBase language driver ids that tools other than FoxPro leave in the code page mark byte.
struct DriverId {
  std::uint8_t mark;
  int codePage;
};
constexpr DriverId kDbaseDriverIds[] = {{0x26, 866}, {0x4D, 936},  {0x4E, 949},  {0x4F, 950},
                                        {0x50, 874}, {0x57, 1252}, {0x58, 1252}, {0x59, 1252}};

// Offered ones first, in numeric order: the order the connection window lists them.
constexpr CodePageInfo kCodePages[] = {
    {437, 0x01, "CP437", false, true, "MS-DOS United States"},
    {850, 0x02, "CP850", false, true, "MS-DOS Latin 1"},
    {852, 0x64, "CP852", false, true, "MS-DOS Latin 2"},
    {857, 0x6B, "CP857", false, true, "MS-DOS Turkish"},
    {865, 0x66, "CP865", false, true, "MS-DOS Nordic"},
    {866, 0x65, "CP866", false, true, "MS-DOS Cyrillic"},
    {874, 0x7C, "CP874", false, true, "Windows Thai"},
    {932, 0x7B, "CP932", true, true, "Windows Japanese"},
    {936, 0x7A, "CP936", true, true, "Windows Simplified Chinese"},
    {949, 0x79, "CP949", true, true, "Windows Korean"},
    {950, 0x78, "CP950", true, true, "Windows Traditional Chinese"},
    {1250, 0xC8, "CP1250", false, true, "Windows Latin 2"},
    {1251, 0xC9, "CP1251", false, true, "Windows Cyrillic"},
    {1252, 0x03, "CP1252", false, true, "Windows Latin 1"},
    {1253, 0xCB, "CP1253", false, true, "Windows Greek"},
    {1254, 0xCA, "CP1254", false, true, "Windows Turkish"},
    {1255, 0x7D, "CP1255", false, true, "Windows Hebrew"},
    {1256, 0x7E, "CP1256", false, true, "Windows Arabic"},
    {10000, 0x04, "MACINTOSH", false, true, "Macintosh Roman"},
    // Mazovia and Kamenicky: cp437 with letters replaced (see Overrides).
    {620, 0x69, "CP437", false, false, "MS-DOS Mazovia (Polish)"},
    {895, 0x68, "CP437", false, false, "MS-DOS Kamenicky (Czech)"},
    {737, 0x6A, "CP737", false, false, "MS-DOS Greek"},
    {861, 0x67, "CP861", false, false, "MS-DOS Icelandic"},
    {10006, 0x98, nullptr, false, false, "Macintosh Greek"},  // Greek Macintosh: iconv has none
    {10007, 0x96, "MAC-CYRILLIC", false, false, "Macintosh Cyrillic"},
    {10029, 0x97, "MAC-CENTRALEUROPE", false, false, "Macintosh Latin 2"},
};

}  // namespace

std::span<const CodePageInfo> KnownCodePages() { return kCodePages; }

const CodePageInfo* FindCodePage(int codePage) {
  const auto found = std::find_if(std::begin(kCodePages), std::end(kCodePages),
                                  [&](const CodePageInfo& known) { return known.number == codePage; });
  return found == std::end(kCodePages) ? nullptr : found;
}

std::vector<int> OfferedCodePages() {
  std::vector<int> offered;
  for (const CodePageInfo& known : kCodePages)
    if (known.offered) offered.push_back(known.number);
  return offered;
}

int CodePageForMark(std::uint8_t mark, int unmarkedCodePage) {
  for (const CodePageInfo& known : kCodePages)
    if (known.foxProMark == mark) return known.number;
  for (const DriverId& driver : kDbaseDriverIds)
    if (driver.mark == mark) return driver.codePage;
  return unmarkedCodePage;
}

std::uint8_t MarkForCodePage(int codePage) {
  const CodePageInfo* known = FindCodePage(codePage);
  if (known == nullptr)
    throw ado::Failure("Code page " + std::to_string(codePage) +
                       " is not one that Visual FoxPro can mark a table with.");
  return known->foxProMark;
}

namespace {

// Mazovia (620) and Kamenicky (895) are DOS code pages glibc lacks: cp437 with the
// upper half partly replaced by Polish / Czech and Slovak letters.
const std::map<std::uint8_t, char32_t>& Overrides(int codePage) {
  static const std::map<std::uint8_t, char32_t> none;
  static const std::map<std::uint8_t, char32_t> mazovia = {
      {0x86, U'ą'}, {0x8D, U'ć'}, {0x8F, U'Ą'}, {0x90, U'Ę'}, {0x91, U'ę'}, {0x92, U'ł'},
      {0x95, U'Ć'}, {0x98, U'Ś'}, {0x9C, U'Ł'}, {0x9E, U'ś'}, {0xA0, U'Ź'}, {0xA1, U'Ż'},
      {0xA3, U'Ó'}, {0xA4, U'ń'}, {0xA5, U'Ń'}, {0xA6, U'ź'}, {0xA7, U'ż'}};
  static const std::map<std::uint8_t, char32_t> kamenicky = {
      {0x80, U'Č'}, {0x83, U'ď'}, {0x85, U'Ď'}, {0x86, U'Ť'}, {0x87, U'č'}, {0x88, U'ě'}, {0x89, U'Ě'}, {0x8A, U'Ĺ'},
      {0x8B, U'Í'}, {0x8C, U'ľ'}, {0x8D, U'ĺ'}, {0x8F, U'Á'}, {0x91, U'ž'}, {0x92, U'Ž'}, {0x95, U'Ó'}, {0x96, U'ů'},
      {0x97, U'Ú'}, {0x98, U'ý'}, {0x9B, U'Š'}, {0x9C, U'Ľ'}, {0x9D, U'Ý'}, {0x9E, U'Ř'}, {0x9F, U'ť'}, {0xA0, U'á'},
      {0xA1, U'í'}, {0xA2, U'ó'}, {0xA3, U'ú'}, {0xA4, U'ň'}, {0xA5, U'Ň'}, {0xA6, U'Ů'}, {0xA7, U'Ô'}, {0xA8, U'š'},
      {0xA9, U'ř'}, {0xAA, U'ŕ'}, {0xAB, U'Ŕ'}, {0xAD, U'§'}};
  if (codePage == 620) return mazovia;
  if (codePage == 895) return kamenicky;
  return none;
}

}  // namespace

struct TextCodec::Impl {
  std::mutex mutex;
  std::unique_ptr<CharsetConverter> toUtf8;
  std::unique_ptr<CharsetConverter> fromUtf8;
  std::unordered_map<char32_t, std::uint8_t> reverse;  // single-byte: code point -> byte (>= 0x80)
};

TextCodec::TextCodec(int codePage) : codePage_(codePage), impl_(std::make_unique<Impl>()) {
  const CodePageInfo* known = FindCodePage(codePage);
  const char* name = known ? known->iconvName : nullptr;
  const auto& overrides = Overrides(codePage);
  if (name == nullptr) throw ado::Failure("Code page " + std::to_string(codePage) + " is not supported.");
  if (known->multiByte) {
    impl_->toUtf8 = std::make_unique<CharsetConverter>("UTF-8", name);
    impl_->fromUtf8 = std::make_unique<CharsetConverter>(name, "UTF-8");
    if (!impl_->toUtf8->Valid() || !impl_->fromUtf8->Valid())
      throw ado::Failure("Code page " + std::to_string(codePage) + " is not supported.");
    return;
  }
  singleByte_ = true;
  CharsetConverter toUtf8("UTF-8", name);
  if (!toUtf8.Valid()) throw ado::Failure("Code page " + std::to_string(codePage) + " is not supported.");
  for (int b = 0; b < 256; ++b) {
    char32_t c = static_cast<char32_t>(b);
    if (b >= 0x80) {
      auto it = overrides.find(static_cast<std::uint8_t>(b));
      if (it != overrides.end()) {
        c = it->second;
      } else {
        std::string utf8;
        char in = static_cast<char>(b);
        std::size_t pos = 0;
        // Bytes the code page leaves undefined map to the C1 control of the same value, as
        // Windows does, so that any byte survives a round trip.
        if (!toUtf8.Convert(&in, 1, utf8) || utf8.empty() || !NextCodePoint(utf8, pos, c)) c = static_cast<char32_t>(b);
      }
      impl_->reverse.emplace(c, static_cast<std::uint8_t>(b));
    }
    std::string utf8;
    AppendUtf8(c, utf8);
    table_[b][3] = static_cast<char>(utf8.size());
    for (std::size_t i = 0; i < utf8.size() && i < 3; ++i) table_[b][i] = utf8[i];
  }
}

TextCodec::~TextCodec() = default;

std::shared_ptr<const TextCodec> TextCodec::ForCodePage(int codePage) {
  static std::mutex mutex;
  static std::map<int, std::shared_ptr<const TextCodec>> cache;
  std::lock_guard lock(mutex);
  auto& slot = cache[codePage];
  if (!slot) slot = std::shared_ptr<const TextCodec>(new TextCodec(codePage));
  return slot;
}

void TextCodec::Decode(const std::uint8_t* bytes, std::size_t n, std::string& out) const {
  if (singleByte_) {
    // Runs of ASCII go over in one piece; only bytes >= 0x80 need the table.
    std::size_t i = 0;
    while (i < n) {
      std::size_t run = i;
      while (run < n && bytes[run] < 0x80) ++run;
      out.append(reinterpret_cast<const char*>(bytes + i), run - i);
      i = run;
      while (i < n && bytes[i] >= 0x80) {
        const auto& e = table_[bytes[i++]];
        out.append(e.data(), static_cast<std::size_t>(e[3]));
      }
    }
    return;
  }
  std::lock_guard lock(impl_->mutex);
  // Convert piecewise so that one bad sequence costs one U+FFFD, not the whole value.
  std::size_t start = 0;
  while (start < n) {
    std::size_t end = start;
    while (end < n && bytes[end] < 0x80) ++end;
    out.append(reinterpret_cast<const char*>(bytes + start), end - start);
    if (end == n) break;
    std::size_t len = (end + 1 < n) ? 2 : 1;
    std::string piece;
    if (!impl_->toUtf8->Convert(reinterpret_cast<const char*>(bytes + end), len, piece) || piece.empty()) {
      piece.clear();
      if (!impl_->toUtf8->Convert(reinterpret_cast<const char*>(bytes + end), 1, piece) || piece.empty()) {
        out += "\xEF\xBF\xBD";
        start = end + 1;
        continue;
      }
      out += piece;
      start = end + 1;
      continue;
    }
    out += piece;
    start = end + len;
  }
}

std::string TextCodec::Decode(std::string_view bytes) const {
  std::string out;
  out.reserve(bytes.size());
  Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out);
  return out;
}

bool TextCodec::Encode(std::string_view utf8, std::string& out, std::string* bad) const {
  std::size_t pos = 0;
  if (singleByte_) {
    while (pos < utf8.size()) {
      std::size_t run = pos;
      while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80) ++run;
      out.append(utf8.data() + pos, run - pos);
      pos = run;
      if (pos == utf8.size()) break;
      std::size_t start = pos;
      char32_t c = 0;
      if (!NextCodePoint(utf8, pos, c)) {
        if (bad) *bad = "invalid UTF-8";
        return false;
      }
      auto it = impl_->reverse.find(c);
      if (it == impl_->reverse.end()) {
        if (bad) *bad = std::string(utf8.substr(start, pos - start));
        return false;
      }
      out.push_back(static_cast<char>(it->second));
    }
    return true;
  }
  std::lock_guard lock(impl_->mutex);
  while (pos < utf8.size()) {
    std::size_t start = pos;
    char32_t c = 0;
    if (!NextCodePoint(utf8, pos, c)) {
      if (bad) *bad = "invalid UTF-8";
      return false;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    if (!impl_->fromUtf8->Convert(utf8.data() + start, pos - start, out)) {
      if (bad) *bad = std::string(utf8.substr(start, pos - start));
      return false;
    }
  }
  return true;
}

std::string DescribeCharacter(std::string_view utf8) {
  std::size_t pos = 0;
  char32_t c = 0;
  if (!NextCodePoint(utf8, pos, c) || pos != utf8.size()) return std::string(utf8);
  char name[16];
  std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
  // Controls, format characters and separators would show nothing (or move the text around).
  const bool invisible = c < 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || (c >= 0x2000 && c <= 0x200F) ||
                         (c >= 0x2028 && c <= 0x202F) || (c >= 0x205F && c <= 0x206F) || c == 0x3000 || c == 0xFEFF ||
                         (c >= 0xE000 && c <= 0xF8FF) || (c >= 0xFFF0 && c <= 0xFFFF) || c >= 0xF0000;
  return invisible ? std::string(name) : std::string(name) + " '" + std::string(utf8) + "'";
}

}  // namespace foxpro
