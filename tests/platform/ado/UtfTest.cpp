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

}  // namespace
}  // namespace ado::test
