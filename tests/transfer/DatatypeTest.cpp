#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "commands/transfer/Datatype.h"

namespace transfer {
namespace {

TEST(DataTypeNameTest, NamesEveryCodeOfTheTableAndNothingElse) {
  const std::vector<std::pair<int, std::string>> table = {
      {0, "adEmpty"},
      {2, "adSmallInt"},
      {3, "adInteger"},
      {4, "adSingle"},
      {5, "adDouble"},
      {6, "adCurrency"},
      {7, "adDate"},
      {8, "adBSTR"},
      {9, "adIDispatch"},
      {10, "adError"},
      {11, "adBoolean"},
      {12, "adVariant"},
      {13, "adIUnknown"},
      {14, "adDecimal"},
      {16, "adTinyInt"},
      {17, "adUnsignedTinyInt"},
      {18, "adUnsignedSmallInt"},
      {19, "adUnsignedInt"},
      {20, "adBigInt"},
      {21, "adUnsignedBigInt"},
      {64, "adFileTime"},
      {72, "adGUID"},
      {128, "adBinary"},
      {129, "adChar"},
      {130, "adWChar"},
      {131, "adNumeric"},
      {132, "adUserDefined"},
      {133, "adDBDate"},
      {134, "adDBTime"},
      {135, "adDBTimeStamp"},
      {136, "adChapter"},
      {138, "adPropVariant"},
      {139, "adVarNumeric"},
      {200, "adVarChar"},
      {201, "adLongVarChar"},
      {202, "adVarWChar"},
      {203, "adLongVarWChar"},
      {204, "adVarBinary"},
      {205, "adLongVarBinary"},
  };
  std::set<int> named;
  for (const auto& [code, name] : table) {
    EXPECT_EQ(DataTypeName(static_cast<std::int16_t>(code)), name) << code;
    named.insert(code);
  }
  for (int code = -32768; code <= 32767; ++code) {
    if (named.count(code) == 0) {
      EXPECT_EQ(DataTypeName(static_cast<std::int16_t>(code)), "") << code;
    }
  }
}

TEST(DataTypeNameTest, CodeZeroIsNamedWhileArrayFlagAndFileTimeAreNot) {
  EXPECT_EQ(DataTypeName(0), "adEmpty");
  EXPECT_EQ(DataTypeName(137), "");
  EXPECT_EQ(DataTypeName(8192), "");
  EXPECT_EQ(DataTypeName(-1), "");
}

struct Clauses {
  const char* name;
  const char* oracle;
  const char* foxPro;
};

TEST(ColumnClauseTest, EveryTypeNameFollowsTheFirstTestWordItContains) {
  const std::vector<Clauses> expected = {
      // "char"
      {"adChar", " VARCHAR(2000),", " M,"},
      {"adWChar", " VARCHAR(2000),", " M,"},
      {"adVarChar", " VARCHAR(2000),", " M,"},
      {"adVarWChar", " VARCHAR(2000),", " M,"},
      {"adLongVarChar", " VARCHAR(2000),", " M,"},
      {"adLongVarWChar", " VARCHAR(2000),", " M,"},
      // "single" is an integer column on Oracle, not FLOAT
      {"adSingle", " INT,", " M,"},
      // "int"
      {"adSmallInt", " INT,", " M,"},
      {"adInteger", " INT,", " M,"},
      {"adTinyInt", " INT,", " M,"},
      {"adBigInt", " INT,", " M,"},
      {"adUnsignedTinyInt", " INT,", " M,"},
      {"adUnsignedSmallInt", " INT,", " M,"},
      {"adUnsignedInt", " INT,", " M,"},
      {"adUnsignedBigInt", " INT,", " M,"},
      // "date" (the time and timestamp names hold no test word)
      {"adDate", " VARCHAR(2000),", " M,"},
      {"adDBDate", " VARCHAR(2000),", " M,"},
      {"adCurrency", " VARCHAR(2000),", " M,"},
      {"adBoolean", " VARCHAR(2000),", " M,"},
      {"adDouble", " FLOAT,", " M,"},
      {"adLongVarBinary", " BLOB,", " BLOB,"},
      // unmatched
      {"adEmpty", " VARCHAR(2000),", " M,"},
      {"adBSTR", " VARCHAR(2000),", " M,"},
      {"adIDispatch", " VARCHAR(2000),", " M,"},
      {"adError", " VARCHAR(2000),", " M,"},
      {"adVariant", " VARCHAR(2000),", " M,"},
      {"adIUnknown", " VARCHAR(2000),", " M,"},
      {"adDecimal", " VARCHAR(2000),", " M,"},
      {"adFileTime", " VARCHAR(2000),", " M,"},
      {"adGUID", " VARCHAR(2000),", " M,"},
      {"adBinary", " VARCHAR(2000),", " M,"},
      {"adNumeric", " VARCHAR(2000),", " M,"},
      {"adUserDefined", " VARCHAR(2000),", " M,"},
      {"adDBTime", " VARCHAR(2000),", " M,"},
      {"adDBTimeStamp", " VARCHAR(2000),", " M,"},
      {"adChapter", " VARCHAR(2000),", " M,"},
      {"adPropVariant", " VARCHAR(2000),", " M,"},
      {"adVarNumeric", " VARCHAR(2000),", " M,"},
      {"adVarBinary", " VARCHAR(2000),", " M,"},
      {"", " VARCHAR(2000),", " M,"},
  };
  for (const Clauses& c : expected) {
    EXPECT_EQ(OracleColumnClause(c.name), c.oracle) << c.name;
    EXPECT_EQ(FoxProColumnClause(c.name), c.foxPro) << c.name;
  }
}

TEST(ColumnClauseTest, ClassificationIgnoresLetterCaseOfTheName) {
  EXPECT_EQ(OracleColumnClause("adlongvarbinary"), " BLOB,");
  EXPECT_EQ(OracleColumnClause("ADDOUBLE"), " FLOAT,");
  EXPECT_EQ(FoxProColumnClause("ADLONGVARBINARY"), " BLOB,");
  // A name that merely contains the long binary word later still loses to an earlier word.
  EXPECT_EQ(OracleColumnClause("charadlongvarbinary"), " VARCHAR(2000),");
}

}  // namespace
}  // namespace transfer
