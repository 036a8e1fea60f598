#include <gtest/gtest.h>

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

INSTANTIATE_TEST_SUITE_P(BothCursors, RecordsetTest, ::testing::Values(ado::adUseServer, ado::adUseClient),
                         [](const auto& info) { return info.param == ado::adUseClient ? "ClientSide" : "ServerSide"; });

}  // namespace
