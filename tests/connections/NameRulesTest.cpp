#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "connections/NameRules.h"
#include "platform/ado/Failure.h"

namespace connections {
namespace {

using namespace std::string_literals;

struct Case {
  std::string name;
  std::string shownAs;  // how the refusal names it; empty when the name is accepted
};

void ExpectRule(void (*rule)(const std::string&), const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    if (c.shownAs.empty()) {
      EXPECT_NO_THROW(rule(c.name)) << c.name;
      continue;
    }
    try {
      rule(c.name);
      ADD_FAILURE() << "accepted " << c.shownAs;
    } catch (const ado::Failure& failure) {
      EXPECT_NE(std::string(failure.what()).find("'" + c.shownAs + "'"), std::string::npos) << failure.what();
    }
  }
}

TEST(NameRulesTest, AFoxProTableNameMustBeAPlainFileName) {
  ExpectRule(RequirePlainFileName, {{"../../evil", "../../evil"},
                                    {"..\\x", "..\\x"},
                                    {"a/b", "a/b"},
                                    {"x\ny", "x<LF>y"},
                                    {"x\r", "x<CR>"},
                                    {"a\0b"s, "a<NUL>b"},
                                    {"tab\t", "tab<0x09>"},
                                    {".", "."},
                                    {"..", ".."},
                                    {"orders", ""},
                                    {"ORDER DATE", ""},
                                    {"a.b", ""},
                                    {"...", ""},
                                    {"it's", ""},
                                    {"Grüße", ""}});
  EXPECT_THROW(RequirePlainFileName(""), ado::Failure);
}

TEST(NameRulesTest, AnOracleNameMustFitBetweenDoubleQuotes) {
  ExpectRule(RequireOracleIdentifier,
             {{"q\" (a int); drop table \"victim\"; --", "q\" (a int); drop table \"victim\"; --"},
              {"a\"int)--", "a\"int)--"},
              {"a\0b"s, "a<NUL>b"},
              {"EMP", ""},
              {"it's", ""},
              {"../x", ""},
              {"a b;c", ""}});
}

// A new name that trims to another, or that ends a name or path in FoxPro's statements,
// would leave a table that cannot be told apart, read or deleted.
TEST(NameRulesTest, ANewTableNameIsNeitherBlankNorPaddedNorQuoteBreaking) {
  const auto foxPro = [](const std::string& name) { RequireNewTableName(TableSide::FoxPro, name); };
  const auto oracle = [](const std::string& name) { RequireNewTableName(TableSide::Oracle, name); };
  ExpectRule(+foxPro, {{" ", " "},
                       {"   ", "   "},
                       {"region ", "region "},
                       {" Region", " Region"},
                       {"back`q", "back`q"},
                       {"it's", "it's"},
                       {"a/b", "a/b"},
                       {"order lines", ""},
                       {"Region", ""}});
  EXPECT_THROW(foxPro(""), ado::Failure);
  ExpectRule(+oracle, {{" ", " "}, {"EMP ", "EMP "}, {"q\"", "q\""}, {"back`q", ""}, {"it's", ""}, {"A B", ""}});
  EXPECT_THROW(oracle(""), ado::Failure);
}

}  // namespace
}  // namespace connections
