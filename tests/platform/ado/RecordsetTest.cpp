#include <gtest/gtest.h>
#include <malloc.h>

#include <limits>
#include <string>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "support/ScriptedProvider.h"

namespace {

using ado::Value;
using support::ScriptedProvider;
using support::ScriptedResult;

const char* const kString = "Provider=scripted.1;Data Source=x;";

ScriptedResult ThreeRows() {
  ScriptedResult result;
  result.fields = {{"ID", ado::adInteger}, {"Name", ado::adVarWChar}, {"PHOTO", ado::adLongVarBinary}};
  result.rows = {{Value(1), Value("one"), Value(ado::Bytes{0, 255})},
                 {Value(2), Value(), Value(ado::Bytes{})},
                 {Value(std::int64_t{-9000000000}), Value("three\tx"), Value()}};
  return result;
}

class RecordsetTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    scripted_->SetResult("SELECT * FROM T", ThreeRows());
    connection_.CursorLocation = GetParam();
    connection_.Open(kString);
  }
  bool ClientSide() const { return GetParam() == ado::adUseClient; }

  ScriptedProvider::Registration scripted_ = ScriptedProvider::Install("Scripted.1");
  ado::Connection connection_;
};

TEST_P(RecordsetTest, ReadsEveryRowInOrderWithItsTypes) {
  ado::Recordset rs;
  rs.Open("SELECT * FROM T", connection_);
  ASSERT_EQ(rs.FieldCount(), 3);
  EXPECT_EQ(rs.Fields(1).Name, "Name");
  EXPECT_EQ(rs.Fields(2).Type, ado::adLongVarBinary);
  EXPECT_EQ(rs.RecordCount(), ClientSide() ? 3 : -1);

  std::vector<std::vector<Value>> seen;
  while (!rs.Eof()) {
    std::vector<Value> row;
    for (int i = 0; i < rs.FieldCount(); ++i) row.push_back(rs.Fields(i).Value);
    seen.push_back(row);
    rs.MoveNext();
  }
  EXPECT_EQ(seen, ThreeRows().rows);
  rs.Close();
  EXPECT_FALSE(rs.IsOpen());
}

TEST_P(RecordsetTest, FieldsByNameIgnoreCaseAndUnknownNamesFail) {
  ado::Recordset rs;
  rs.Open("SELECT * FROM T", connection_);
  EXPECT_EQ(rs.Fields("name").Value, Value("one"));
  EXPECT_EQ(rs.Fields("NAME").Name, "Name");
  EXPECT_THROW(rs.Fields("missing"), ado::Failure);
  EXPECT_THROW(rs.Fields(3), ado::Failure);
  EXPECT_THROW(rs.Fields(-1), ado::Failure);
}

TEST_P(RecordsetTest, ReadingPastTheEndFailsButNamesStayReadable) {
  ado::Recordset rs;
  rs.Open("SELECT * FROM T", connection_);
  for (int i = 0; i < 3; ++i) rs.MoveNext();
  ASSERT_TRUE(rs.Eof());
  EXPECT_EQ(rs.Fields(0).Name, "ID");
  EXPECT_THROW((void)rs.Fields(0).Value.IsNull(), ado::Failure);
  EXPECT_THROW(rs.MoveNext(), ado::Failure);
}

TEST_P(RecordsetTest, EmptyResultIsAtEndWithFieldsKnown) {
  ScriptedResult empty;
  empty.fields = {{"A", ado::adVarChar}};
  scripted_->SetResult("SELECT * FROM E", empty);
  ado::Recordset rs;
  rs.Open("SELECT * FROM E", connection_);
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), ClientSide() ? 0 : -1);
  EXPECT_EQ(rs.Fields(0).Name, "A");
  EXPECT_THROW((void)ado::Value(rs.Fields(0).Value), ado::Failure);
}

TEST_P(RecordsetTest, FailureWhileReadingRowsReachesTheCaller) {
  ScriptedResult broken = ThreeRows();
  broken.failAtRow = 1;
  broken.failDescription = "ORA-03113: end-of-file on communication channel";
  scripted_->SetResult("SELECT * FROM B", broken);
  ado::Recordset rs;
  if (ClientSide()) {
    // Everything is fetched at open, so the open fails.
    EXPECT_THROW(rs.Open("SELECT * FROM B", connection_), ado::Failure);
    EXPECT_FALSE(rs.IsOpen());
  } else {
    rs.Open("SELECT * FROM B", connection_);
    EXPECT_EQ(rs.Fields(0).Value, Value(1));
    try {
      rs.MoveNext();
      FAIL() << "no failure";
    } catch (const ado::Failure& failure) {
      EXPECT_STREQ(failure.what(), "ORA-03113: end-of-file on communication channel");
    }
  }
}

// Rows made up on the fly, so that only the recordset's own storage grows.
class GeneratedRows : public ado::RowSource {
 public:
  GeneratedRows(long count, std::size_t& textSize) : count_(count), textSize_(textSize) {}
  const std::vector<ado::FieldInfo>& Fields() const override { return fields_; }
  bool Next(std::vector<Value>& row) override {
    if (next_ == count_) return false;
    row[0] = Value(std::int64_t{next_});
    row[1] = Value("customer name number " + std::to_string(next_));
    row[2] = Value(next_ % 3 == 0 ? Value() : Value(ado::Decimal{std::to_string(next_) + ".25"}));
    row[3] = Value(ado::DateTime{{2024, 1, 1 + static_cast<int>(next_ % 28)}, 12, 0, 0, 0});
    textSize_ += ado::ValueToText(row[0]).size() + ado::ValueToText(row[1]).size() + ado::ValueToText(row[2]).size() +
                 ado::ValueToText(row[3]).size();
    ++next_;
    return true;
  }

 private:
  std::vector<ado::FieldInfo> fields_ = {
      {"ID", ado::adInteger}, {"NAME", ado::adVarChar}, {"PRICE", ado::adNumeric}, {"AT", ado::adDBTimeStamp}};
  long count_;
  long next_ = 0;
  std::size_t& textSize_;  // outlives the rows, which the recordset drops once it has read them
};

TEST(ClientSideRowsTest, AWholeTableTakesLessMemoryThanItsText) {
  constexpr long kRows = 150000;
  std::size_t textSize = 0;
  auto rows = std::make_unique<GeneratedRows>(kRows, textSize);
  // Large blocks are mapped on their own (hblkhd); the rest comes from the heap (uordblks).
  const auto inUse = [] {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
  };
  const std::size_t before = inUse();
  ado::Recordset rs;
  rs.OpenRows(std::move(rows), true);
  const std::size_t held = inUse() - before;
  ASSERT_EQ(rs.RecordCount(), kRows);
  RecordProperty("HeldBytes", std::to_string(held));
  RecordProperty("TextBytes", std::to_string(textSize));
  EXPECT_LT(static_cast<double>(held), 1.5 * static_cast<double>(textSize))
      << "held " << held << " bytes for " << textSize << " bytes of text";

  // And every value comes back as it went in.
  for (long i = 0; i < kRows; ++i) {
    ASSERT_EQ(rs.Fields(0).Value, Value(std::int64_t{i}));
    ASSERT_EQ(rs.Fields(1).Value, Value("customer name number " + std::to_string(i)));
    ASSERT_EQ(rs.Fields(2).Value.IsNull(), i % 3 == 0);
    rs.MoveNext();
  }
  EXPECT_TRUE(rs.Eof());
}

TEST(ClientSideRowsTest, EveryKindOfValueSurvivesStorage) {
  ScriptedResult all;
  const std::vector<Value> values = {Value(),
                                     Value(""),
                                     Value(std::string(70000, 'x')),
                                     Value(std::numeric_limits<std::int64_t>::min()),
                                     Value(std::numeric_limits<std::int64_t>::max()),
                                     Value(-0.1),
                                     Value(ado::Currency{-123456789}),
                                     Value(ado::Decimal{"-0.000001"}),
                                     Value(ado::Date{-50, 1, 31}),
                                     Value(ado::Date{9999, 12, 31}),
                                     Value(ado::DateTime{{1899, 12, 30}, 23, 59, 59, 999}),
                                     Value(true),
                                     Value(false),
                                     Value(ado::Bytes(3 << 20, 0xAB))};
  for (std::size_t i = 0; i < values.size(); ++i) all.fields.push_back({"F" + std::to_string(i), ado::adVariant});
  all.rows = {values, values};
  auto scripted = ScriptedProvider::Install("kinds.1");
  scripted->SetResult("SELECT", all);
  ado::Connection connection;
  connection.CursorLocation = ado::adUseClient;
  connection.Open("Provider=kinds.1");
  ado::Recordset rs;
  rs.Open("SELECT", connection);
  for (int row = 0; row < 2; ++row) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      EXPECT_TRUE(rs.Fields(static_cast<int>(i)).Value == values[i]) << "row " << row << " field " << i;
    }
    rs.MoveNext();
  }
  EXPECT_TRUE(rs.Eof());
}

INSTANTIATE_TEST_SUITE_P(BothCursors, RecordsetTest, ::testing::Values(ado::adUseServer, ado::adUseClient),
                         [](const auto& info) { return info.param == ado::adUseClient ? "ClientSide" : "ServerSide"; });

}  // namespace
