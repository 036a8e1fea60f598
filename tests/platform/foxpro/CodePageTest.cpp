#include <gtest/gtest.h>

#include "platform/ado/Failure.h"
#include "platform/foxpro/tables/CodePage.h"

namespace foxpro::test {
namespace {

TEST(CodePage, MarksMapToTheDocumentedCodePages) {
  EXPECT_EQ(CodePageForMark(0x03), 1252);
  EXPECT_EQ(CodePageForMark(0xC8), 1250);
  EXPECT_EQ(CodePageForMark(0xC9), 1251);
  EXPECT_EQ(CodePageForMark(0xCA), 1254);  // not in numeric order with 0xCB
  EXPECT_EQ(CodePageForMark(0xCB), 1253);
  EXPECT_EQ(CodePageForMark(0x65), 866);
  EXPECT_EQ(CodePageForMark(0x66), 865);
  EXPECT_EQ(CodePageForMark(0x7A), 936);
  EXPECT_EQ(CodePageForMark(0x69), 620);
  EXPECT_EQ(CodePageForMark(0x00), kOemDefaultCodePage);
  EXPECT_EQ(kOemDefaultCodePage, 437);
}

TEST(CodePage, EachKnownCodePageHasItsOwnMarkAndTheOfferedOnesCanBeRead) {
  for (const CodePageInfo& known : KnownCodePages()) {
    SCOPED_TRACE(known.number);
    EXPECT_EQ(CodePageForMark(MarkForCodePage(known.number)), known.number);
    if (known.offered) {
      EXPECT_NO_THROW(TextCodec::ForCodePage(known.number));
    }
  }
  const std::vector<int> offered = OfferedCodePages();
  EXPECT_EQ(offered.size(), 19u);
  EXPECT_EQ(offered.front(), 437);
  EXPECT_EQ(offered.back(), 10000);
  EXPECT_EQ(FindCodePage(1), nullptr);
}

TEST(CodePage, EverySupportedMarkHasACodec) {
  for (int mark = 0; mark < 256; ++mark) {
    int codePage = CodePageForMark(static_cast<std::uint8_t>(mark));
    if (codePage == 10006) continue;  // Greek Macintosh: glibc has no converter
    SCOPED_TRACE(codePage);
    EXPECT_NO_THROW(TextCodec::ForCodePage(codePage));
  }
  EXPECT_THROW(TextCodec::ForCodePage(10006), ado::Failure);
}

TEST(CodePage, SingleByteTextSurvivesARoundTrip) {
  auto cp1252 = TextCodec::ForCodePage(1252);
  std::string bytes;
  ASSERT_TRUE(cp1252->Encode("Grüße € – ÿ", bytes));
  EXPECT_EQ(bytes, "Gr\xFC\xDF\x65 \x80 \x96 \xFF");
  EXPECT_EQ(cp1252->Decode(bytes), "Grüße € – ÿ");
  // Every byte decodes to something that encodes back to it, the undefined ones included.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  for (int codePage : {437, 850, 866, 1250, 1251, 1252, 620, 895}) {
    SCOPED_TRACE(codePage);
    auto codec = TextCodec::ForCodePage(codePage);
    std::string back;
    EXPECT_TRUE(codec->Encode(codec->Decode(all), back));
    EXPECT_EQ(back, all);
  }
}

TEST(CodePage, CharactersOutsideTheCodePageAreReported) {
  auto cp1252 = TextCodec::ForCodePage(1252);
  std::string bytes, bad;
  EXPECT_FALSE(cp1252->Encode("ok Ω", bytes, &bad));
  EXPECT_EQ(bad, "Ω");
  EXPECT_FALSE(cp1252->Encode("\xFF\xFE", bytes, &bad));
  EXPECT_EQ(bad, "invalid UTF-8");
  auto cp1251 = TextCodec::ForCodePage(1251);
  bytes.clear();
  EXPECT_TRUE(cp1251->Encode("Привет", bytes));
  EXPECT_EQ(bytes, "\xCF\xF0\xE8\xE2\xE5\xF2");
}

TEST(CodePage, MultiByteCodePagesGoThroughIconv) {
  auto gbk = TextCodec::ForCodePage(936);
  std::string bytes;
  ASSERT_TRUE(gbk->Encode("林口abc", bytes));
  EXPECT_EQ(bytes,
            "\xC1\xD6\xBF\xDA"
            "abc");
  EXPECT_EQ(gbk->Decode(bytes), "林口abc");
  // A lead byte without its trail byte costs one replacement character, not the rest of the text.
  EXPECT_EQ(gbk->Decode(std::string("ab\xC1", 3)), "ab\xEF\xBF\xBD");
  std::string bad;
  bytes.clear();
  EXPECT_FALSE(gbk->Encode("ÿ", bytes, &bad));
}

TEST(CodePage, DosCodePagesWithoutAGlibcConverterUseOwnTables) {
  EXPECT_EQ(TextCodec::ForCodePage(620)->Decode("\x98\x9E\x86\xA7"), "Śśąż");
  EXPECT_EQ(TextCodec::ForCodePage(895)->Decode("\x80\x87\x9B\xA8"), "ČčŠš");
  EXPECT_EQ(TextCodec::ForCodePage(437)->Decode("\x82\x85\xDB"), "éà█");
}

TEST(CodePage, Utf8HelpersRejectMalformedInput) {
  std::size_t pos = 0;
  char32_t c = 0;
  EXPECT_TRUE(NextCodePoint("€", pos, c));
  EXPECT_EQ(c, U'€');
  EXPECT_EQ(pos, 3u);
  for (std::string bad : {"\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF8\x88\x80\x80\x80", "\x80"}) {
    pos = 0;
    EXPECT_FALSE(NextCodePoint(bad, pos, c)) << bad.size();
  }
  std::string out;
  AppendUtf8(U'𝄞', out);
  EXPECT_EQ(out, "\xF0\x9D\x84\x9E");
}

}  // namespace
}  // namespace foxpro::test
