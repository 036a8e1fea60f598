#include <gtest/gtest.h>

#include <string>

#include "platform/ado/Utf.h"

namespace ado::test {
namespace {

TEST(Utf, CharacterLengthsCountWellFormedCharactersAndStrayBytesAsOne) {
  const struct {
    std::string text;
    std::size_t at;
    std::size_t length;
  } cases[] = {
      {"a", 0, 1},
      {"\xC3\xA9", 0, 2},
      {"\xE2\x82\xAC", 0, 3},
      {"\xF0\x9F\x98\x80", 0, 4},
      {"\xE2\x82", 0, 1},      // cut short
      {"\xC3\xA9", 1, 1},      // a continuation byte alone
      {"\xC0\xAF", 0, 1},      // overlong
      {"\xED\xA0\x80", 0, 1},  // surrogate
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Utf8SequenceLength(c.text, c.at), c.length);
  }
}

TEST(Utf, ACutNeverSplitsACharacter) {
  const std::string text =
      "ab\xE2\x82\xAC"
      "c";  // a b € c
  const std::size_t expected[] = {0, 1, 2, 2, 2, 5, 6, 6};
  for (std::size_t max = 0; max < 8; ++max) {
    SCOPED_TRACE(max);
    EXPECT_EQ(WholeCharacterLength(text, max), expected[max]);
  }
}

// What the Windows API's wide calls are given and what they give back.
TEST(Utf, WideStringsCarryUtf16UnitsBothWays) {
  const struct {
    std::string utf8;
    std::wstring wide;
    std::string back;
  } cases[] = {
      {"", L"", ""},
      {"Ab", L"Ab", "Ab"},
      {"\xC3\xA9", {wchar_t{0xE9}}, "\xC3\xA9"},
      {"\xF0\x9F\x98\x80", {wchar_t{0xD83D}, wchar_t{0xDE00}}, "\xF0\x9F\x98\x80"},  // a surrogate pair
      {"\xE2\x82", {wchar_t{0xFFFD}}, "\xEF\xBF\xBD"},                               // cut short
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(WideString(c.utf8), c.wide);
    EXPECT_EQ(Utf8FromWide(c.wide.data(), c.wide.size()), c.back);
  }
  const wchar_t lone[] = {wchar_t{0xD800}, L'x'};  // a lone surrogate from the system
  EXPECT_EQ(Utf8FromWide(lone, 2), "\xEF\xBF\xBDx");
}

}  // namespace
}  // namespace ado::test
