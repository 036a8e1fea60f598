#include <gtest/gtest.h>

#include <string>

#include "commands/transfer/FoxProNames.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"

namespace transfer {
namespace {

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

class FoxProValueTextTest : public ::testing::Test {
 protected:
  void SetUp() override { ado::SetTextLocale(ado::TextLocale{'.', "M/d/yyyy"}); }
};

TEST(FolderOfTest, CutsAfterTheLastSeparatorOfEitherKind) {
  EXPECT_EQ(FolderOf("C:\\data\\shop.dbc"), "C:\\data\\");
  EXPECT_EQ(FolderOf("shop.dbc"), "");
  EXPECT_EQ(FolderOf("C:\\"), "C:\\");
  EXPECT_EQ(FolderOf("/srv/data/shop.dbc"), "/srv/data/");
  EXPECT_EQ(FolderOf("/srv/a\\b/shop.dbc"), "/srv/a\\b/");
}

TEST(FoxProTablePathTest, JoinsFolderAndNameWithTheFoldersOwnSeparator) {
  EXPECT_EQ(FoxProTablePath("EMP", kFreeTableFolderMode, "C:\\x\\y.dbc", "D:\\free"), "D:\\free\\EMP.DBF");
  EXPECT_EQ(FoxProTablePath("EMP", kFreeTableFolderMode, "", "D:\\free\\"), "D:\\free\\EMP.DBF");
  EXPECT_EQ(FoxProTablePath("emp", kDbcFileMode, "C:\\data\\shop.dbc", "D:\\free"), "C:\\data\\emp.DBF");
  EXPECT_EQ(FoxProTablePath("Emp Table", kFreeTableFolderMode, "", "/srv/free"), "/srv/free/Emp Table.DBF");
  EXPECT_EQ(FoxProTablePath("EMP", kFreeTableFolderMode, "", "/srv/free/"), "/srv/free/EMP.DBF");
  EXPECT_EQ(FoxProTablePath("EMP", kFreeTableFolderMode, "", "free"), "free/EMP.DBF");
  // No folder at all: the bare file name.
  EXPECT_EQ(FoxProTablePath("EMP", kDbcFileMode, "shop.dbc", "/srv/free"), "EMP.DBF");
  EXPECT_EQ(FoxProTablePath("EMP", kFreeTableFolderMode, "", ""), "EMP.DBF");
}

TEST(FoxProColumnNameTest, BracketsTheNameAndReplacesBlanksAndSlashes) {
  EXPECT_EQ(FoxProColumnName("ORDER DATE"), "[ORDER_DATE]");
  EXPECT_EQ(FoxProColumnName("A/B C"), "[A_B_C]");
  EXPECT_EQ(FoxProColumnName("PRICE-1"), "[PRICE-1]");
  EXPECT_EQ(FoxProColumnName("a_very_long_column_name_kept_whole"), "[a_very_long_column_name_kept_whole]");
}

TEST(SplitLongTextTest, PutsAJointAfterEvery200thCharacter) {
  EXPECT_EQ(SplitLongText(""), "");
  EXPECT_EQ(SplitLongText(Repeat('a', 199)), Repeat('a', 199));
  EXPECT_EQ(SplitLongText(Repeat('a', 200)), Repeat('a', 200) + "'+'");
  EXPECT_EQ(SplitLongText(Repeat('a', 450)), Repeat('a', 200) + "'+'" + Repeat('a', 200) + "'+'" + Repeat('a', 50));
  // Characters, not bytes: 200 two-byte letters make one piece.
  std::string umlauts;
  for (int i = 0; i < 201; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(SplitLongText(umlauts), umlauts.substr(0, 400) + "'+'" + "\xC3\xA4");
}

TEST_F(FoxProValueTextTest, NullAndEmptyGiveEmptyTextAndBlanksStay) {
  EXPECT_EQ(FoxProValueText(ado::Value()), "");
  EXPECT_EQ(FoxProValueText(ado::Value("")), "");
  EXPECT_EQ(FoxProValueText(ado::Value(" ")), " ");
  EXPECT_EQ(FoxProValueText(ado::Value("abc   ")), "abc   ");
}

TEST_F(FoxProValueTextTest, ApostrophesAreDoubledButJointsAreNot) {
  EXPECT_EQ(FoxProValueText(ado::Value("it's")), "it''s");
  EXPECT_EQ(FoxProValueText(ado::Value("x'+y")), "x''+y");
  // The 200th character is an apostrophe: doubled, then the joint.
  const std::string text = Repeat('a', 199) + "'" + "b";
  EXPECT_EQ(FoxProValueText(ado::Value(text)), Repeat('a', 199) + "''" + "'+'" + "b");
}

TEST_F(FoxProValueTextTest, LongTextsAreCutIntoPiecesOf200Characters) {
  EXPECT_EQ(FoxProValueText(ado::Value(Repeat('x', 201))), Repeat('x', 200) + "'+'" + "x");
  // Exactly 200: the literal ends in an empty last piece, '...'+''.
  EXPECT_EQ("'" + FoxProValueText(ado::Value(Repeat('x', 200))) + "'", "'" + Repeat('x', 200) + "'+''");
}

TEST_F(FoxProValueTextTest, LineBreaksTravelAsCharacterCodes) {
  EXPECT_EQ("'" + FoxProValueText(ado::Value("a\r\nb")) + "'", "'a'+CHR(13)+CHR(10)+'b'");
  EXPECT_EQ("'" + FoxProValueText(ado::Value("a\nb\rc")) + "'", "'a'+CHR(10)+'b'+CHR(13)+'c'");
  EXPECT_EQ("'" + FoxProValueText(ado::Value("\r\n")) + "'", "''+CHR(13)+CHR(10)+''");
  EXPECT_EQ("'" + FoxProValueText(ado::Value("it's\n")) + "'", "'it''s'+CHR(10)+''");
}

TEST_F(FoxProValueTextTest, LineBreaksCountTowardsThePieces) {
  // 199 letters, a line feed as character 200, then one more letter: no joint is needed
  // after the break, and nothing is left as an empty piece.
  EXPECT_EQ(FoxProValueText(ado::Value(Repeat('a', 199) + "\nb")), Repeat('a', 199) + "'+CHR(10)+'b");
  // 200 letters, then a line break: the joint closes the piece and the break follows it.
  EXPECT_EQ(FoxProValueText(ado::Value(Repeat('a', 200) + "\r\nb")), Repeat('a', 200) + "'+CHR(13)+CHR(10)+'b");
  // 150 letters, 100 line feeds, 150 letters: the second run of letters starts a new count
  // at character 251, so its joint comes after character 400.
  std::string text = Repeat('a', 150) + Repeat('\n', 100) + Repeat('b', 150);
  std::string expected = Repeat('a', 150) + "'";
  for (int i = 0; i < 100; ++i) expected += "+CHR(10)";
  expected += "+'" + Repeat('b', 150) + "'+'";
  EXPECT_EQ(FoxProValueText(ado::Value(text)), expected);
}

TEST_F(FoxProValueTextTest, ValuesOfOtherTypesGoThroughTheCommonConversion) {
  EXPECT_EQ(FoxProValueText(ado::Value(42)), "42");
  EXPECT_EQ(FoxProValueText(ado::Value(2.5)), "2.5");
  EXPECT_EQ(FoxProValueText(ado::Value(true)), "True");
  EXPECT_EQ(FoxProValueText(ado::Value(ado::Date{1999, 12, 31})), "12/31/1999");
  EXPECT_EQ(FoxProValueText(ado::Value(ado::DateTime{{2001, 2, 3}, 4, 5, 6, 0})), "2/3/2001 04:05:06");
}

TEST_F(FoxProValueTextTest, BytesAreHexTextInAMemoAndByteForByteInABlob) {
  const ado::Value guid(ado::Bytes{0x80, 0x9F, 0x27, 0x00, 0xE9});
  EXPECT_EQ(FoxProValueText(guid), "809F2700E9");
  EXPECT_EQ(FoxProValueText(guid, ado::adVarBinary), "809F2700E9");
  EXPECT_EQ(FoxProValueText(guid, ado::adBinary), "809F2700E9");
  // One character per byte into a BLOB: the apostrophe byte is doubled like any other.
  EXPECT_EQ(FoxProValueText(guid, ado::adLongVarBinary), std::string("\xC2\x80\xC2\x9F''\0\xC3\xA9", 9));
}

TEST_F(FoxProValueTextTest, AppendingGrowsTheStatementInPlace) {
  std::string sql = "INSERT INTO 'C:\\data\\EMP.DBF' VALUES('";
  AppendFoxProValueText(sql, ado::Value(42));
  sql += "', '";
  AppendFoxProValueText(sql, ado::Value());
  sql += "', '";
  AppendFoxProValueText(sql, ado::Value());
  sql += "')";
  EXPECT_EQ(sql, "INSERT INTO 'C:\\data\\EMP.DBF' VALUES('42', '', '')");
}

}  // namespace
}  // namespace transfer
