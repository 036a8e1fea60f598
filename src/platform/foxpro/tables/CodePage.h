#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ado/Utf.h"

namespace foxpro {

/// A code page the program knows: how Visual FoxPro marks a table of it (header byte 29) and
/// how iconv names it.
struct CodePageInfo {
  int number;
  std::uint8_t foxProMark;
  const char* iconvName;  // nullptr: iconv has no such code page, so it cannot be read
  bool multiByte;         // lead and trail bytes (932, 936, 949, 950)
  bool offered;           // one a user chooses for new tables (connection window, command line)
  const char* name;       // as a person knows it: "Windows Latin 1"
};

/// Every known code page, the offered ones first in numeric order, as the connection window lists them.
std::span<const CodePageInfo> KnownCodePages();
/// The row for a code page number; nullptr for one the program does not know.
const CodePageInfo* FindCodePage(int codePage);
/// The numbers of the offered code pages, in numeric order.
std::vector<int> OfferedCodePages();

/// The mark Visual FoxPro gives a table of this code page; throws ado::Failure for a code page
/// that has none.
std::uint8_t MarkForCodePage(int codePage);

/// Code page assumed for tables without a code page mark by default: 437, the U.S. MS-DOS OEM
/// code page that the provider used on a U.S. Windows for unmarked (DOS-era) tables.
inline constexpr int kOemDefaultCodePage = 437;

/// Windows code page number for a table's code page mark (header byte 29). A mark of 0 (no
/// mark, non-VFP writers), and an unknown one, is read as unmarkedCodePage: the user knows what
/// the DOS-era program that wrote such tables used, and the connection hands it in.
int CodePageForMark(std::uint8_t mark, int unmarkedCodePage = kOemDefaultCodePage);

/// Converts between a code page's bytes and UTF-8. Single-byte code pages decode through a
/// table built once; multi-byte ones (932, 936, 949, 950) go through iconv.
class TextCodec {
 public:
  /// Throws ado::Failure when the code page is not available.
  static std::shared_ptr<const TextCodec> ForCodePage(int codePage);

  int CodePage() const { return codePage_; }
  /// Appends the UTF-8 text of bytes to out. Undecodable bytes become U+FFFD.
  void Decode(const std::uint8_t* bytes, std::size_t n, std::string& out) const;
  std::string Decode(std::string_view bytes) const;
  /// Appends the code page bytes of utf8 to out. Returns false (out unspecified) when a
  /// character has no representation in the code page or utf8 is malformed; *bad then
  /// receives that character.
  bool Encode(std::string_view utf8, std::string& out, std::string* bad = nullptr) const;

  ~TextCodec();
  TextCodec(const TextCodec&) = delete;
  TextCodec& operator=(const TextCodec&) = delete;

 private:
  explicit TextCodec(int codePage);
  struct Impl;
  int codePage_;
  bool singleByte_ = false;
  // UTF-8 spelling of each byte for single-byte code pages (up to 3 bytes + length).
  std::array<std::array<char, 4>, 256> table_{};
  std::unique_ptr<Impl> impl_;
};

using ado::AppendUtf8;
using ado::NextCodePoint;

/// A character named for a failure text: its code point, and the glyph too when it is
/// printable ("U+0081", "U+03A9 'Ω'"). Text that is not one UTF-8 character comes back as it is.
std::string DescribeCharacter(std::string_view utf8);

}  // namespace foxpro
