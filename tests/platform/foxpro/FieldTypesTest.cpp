#include <gtest/gtest.h>

#include <string>

#include "platform/ado/Types.h"
#include "platform/foxpro/tables/FieldTypes.h"

namespace foxpro::test {
namespace {

// The rows must agree with each other: a slip in one column of the table shows here.
TEST(FieldTypes, EachLetterAnswersConsistently) {
  for (const char letter : std::string("CVQNFI+BOYDT@LMGWP")) {
    SCOPED_TRACE(std::string(1, letter));
    const FieldType* type = FindFieldType(letter);
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->text, AdoTypeFor(letter, 0) != AdoTypeFor(letter, kFieldBinary));  // NOCPTRANS only on text
    EXPECT_TRUE(!type->character || (type->text && type->declaredWidth && type->indexable));
    EXPECT_TRUE(!type->varying || type->declaredWidth);
    EXPECT_EQ(type->recordLength == 0, type->declaredWidth);
    EXPECT_FALSE(type->memo && (type->indexable || type->declaredWidth || type->numeric));
  }
  EXPECT_EQ(FindFieldType('X'), nullptr);
  EXPECT_EQ(AdoTypeFor('X', 0), ado::adChar);
  EXPECT_FALSE(IsTextType('X'));
}

}  // namespace
}  // namespace foxpro::test
