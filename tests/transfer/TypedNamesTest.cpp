// The names a typed copy gives each side, and the record of those a side cannot hold, which
// travels in the first line of a table's comment.
#include <gtest/gtest.h>

#include <string>

#include "commands/transfer/TypedNames.h"

namespace transfer {
namespace {

TEST(TypedNamesTest, EachSideFoldsItsOwnCaseAndBackToTheSameName) {
  const struct {
    std::string foxPro, oracle;
  } cases[] = {{"orders", "ORDERS"}, {"order_id2", "ORDER_ID2"}, {"größe", "GRößE"}, {"a$#", "A$#"}};
  for (const auto& c : cases) {
    EXPECT_EQ(OracleNameOf(c.foxPro), c.oracle);
    EXPECT_EQ(FoxProNameOf(c.oracle), c.foxPro);
  }
  EXPECT_EQ(FoxProNameOf("MyTable"), "mytable");
}

TEST(TypedNamesTest, ARecordComesBackFromItsCommentAndOlderCommentsAreAllComment) {
  const NameRecord record{"MyTable",
                          {{"orderid", "orderId"}, {"qu\"ote", "Qu\"ote"}},
                          {{"kord_place", "KORD_PLACED"}},
                          {{"ORD_FK", "CRI"}}};
  const std::string line =
      "Oracle names: table \"MyTable\" field \"orderid\" \"orderId\" field \"qu\"\"ote\" "
      "\"Qu\"\"ote\" key \"kord_place\" \"KORD_PLACED\" relation \"ORD_FK\" \"CRI\"";
  const struct {
    std::string comment;  // the table's own comment
    std::string written;  // with the record
  } cases[] = {{"", line}, {"people who order", line + "\npeople who order"}, {"two\nlines", line + "\ntwo\nlines"}};
  for (const auto& c : cases) {
    EXPECT_EQ(WithNameRecord(c.comment, NameSide::Oracle, record), c.written);
    const RecordedComment read = SplitNameRecord(c.written, NameSide::Oracle);
    EXPECT_EQ(read.comment, c.comment);
    EXPECT_EQ(read.names, record);
    EXPECT_EQ(read.names.Field("ORDERID"), "orderId");
    EXPECT_EQ(read.names.Relation("ORD_FK"), "CRI");
    // The other side's marker is not this side's record.
    EXPECT_EQ(SplitNameRecord(c.written, NameSide::FoxPro).comment, c.written);
  }
  // A tag's expression; an entry of a later writer is passed over and the rest still read.
  const NameRecord withExpression{std::nullopt, {}, {{"CITY_2", "city"}}, {}, {{"ODPK", "STR(orderid)+STR(x)"}}};
  const std::string written = "FoxPro names: key \"CITY_2\" \"city\" expression \"ODPK\" \"STR(orderid)+STR(x)\"";
  EXPECT_EQ(WithNameRecord("", NameSide::FoxPro, withExpression), written);
  EXPECT_EQ(SplitNameRecord(written, NameSide::FoxPro).names, withExpression);
  EXPECT_EQ(SplitNameRecord(written + " later \"A\" \"B\" \"C\"", NameSide::FoxPro).names, withExpression);
  for (const std::string old : {"", "people who order", "Oracle names: of the past", "Oracle names: table \"open"}) {
    EXPECT_EQ(SplitNameRecord(old, NameSide::Oracle).comment, old);
    EXPECT_TRUE(SplitNameRecord(old, NameSide::Oracle).names.Empty()) << old;
  }
  EXPECT_EQ(WithNameRecord("kept", NameSide::FoxPro, {}), "kept");
}

TEST(TypedNamesTest, TheCommentGivesWayToTheRecordAndANameThatBreaksTheLineIsLeftOut) {
  const NameRecord record{std::nullopt, {}, {{"CITY_2", "city"}}};
  const std::string line = "FoxPro names: key \"CITY_2\" \"city\"";
  EXPECT_EQ(WithNameRecord(std::string(100, 'x'), NameSide::FoxPro, record, line.size() + 11),
            line + "\n" + std::string(10, 'x'));
  EXPECT_EQ(WithNameRecord("c", NameSide::FoxPro, {std::nullopt, {}, {{"A\nB", "a"}}}), "c");
  EXPECT_EQ(WithNameRecord("c", NameSide::Oracle, {"x\ry", {{"f", "F\n"}}, {}}), "c");
}

}  // namespace
}  // namespace transfer
