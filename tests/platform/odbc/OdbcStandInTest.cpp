#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/odbc/Provider.h"
#include "support/StandIn.h"

// The ODBC provider against the Oracle stand-in, through the program's own connection string.
namespace {

using ado::Value;

class OdbcStandInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TESSELBY_REQUIRE_STANDIN();
    odbc::RegisterOdbcProvider();
    connection_.CursorLocation = ado::adUseClient;
    connection_.Open(support::kOracleConnectionString);
    const std::string table = Table();
    DropQuietly(table);
  }
  void TearDown() override {
    if (connection_.IsOpen()) {
      DropQuietly(Table());
      connection_.Close();
    }
  }
  // One table per test, so that a failed test leaves nothing in the next one's way.
  static std::string Table() {
    return std::string("T_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void DropQuietly(const std::string& table) {
    try {
      connection_.Execute("DROP TABLE \"" + table + "\"");
    } catch (const ado::Failure&) {
      // Not there: the usual case.
      return;
    }
  }
  std::set<std::string> UserTables() {
    ado::Recordset rs;
    rs.Open("SELECT table_name FROM user_tables", connection_);
    std::set<std::string> names;
    for (long i = rs.RecordCount(); i > 0; --i) {
      names.insert(rs.Fields(0).Value.As<std::string>());
      rs.MoveNext();
    }
    return names;
  }

  ado::Connection connection_;
};

TEST_F(OdbcStandInTest, UserTablesListsTheTablesTheUserCreates) {
  const std::string table = Table();
  EXPECT_EQ(UserTables().count(table), 0u);
  connection_.Execute("CREATE TABLE \"" + table + "\"(\"A\" INT)");
  EXPECT_EQ(UserTables().count(table), 1u);
  connection_.Execute("DROP TABLE \"" + table + "\"");
  EXPECT_EQ(UserTables().count(table), 0u);
}

TEST_F(OdbcStandInTest, ValuesAndTypesComeBackAsInserted) {
  const std::string t = "\"" + Table() + "\"";
  connection_.Execute("CREATE TABLE " + t + "(\"A\" VARCHAR(2000),\"B\" INT,\"C\" FLOAT,\"D\" BLOB)");
  connection_.Execute("INSERT INTO " + t + " VALUES('Grüße, O''Brien','42','3.25','0aFF')");
  connection_.Execute("INSERT INTO " + t + " VALUES(NULL,NULL,NULL,NULL)");

  ado::Recordset rs;
  rs.Open("SELECT * FROM " + t, connection_);
  ASSERT_EQ(rs.FieldCount(), 4);
  EXPECT_EQ(rs.Fields(0).Name, "A");
  EXPECT_TRUE(rs.Fields(0).Type == ado::adVarWChar || rs.Fields(0).Type == ado::adVarChar) << rs.Fields(0).Type;
  EXPECT_EQ(rs.Fields(1).Type, ado::adInteger);
  EXPECT_EQ(rs.Fields(2).Type, ado::adDouble);
  EXPECT_EQ(rs.Fields(3).Type, ado::adLongVarBinary);
  ASSERT_EQ(rs.RecordCount(), 2);

  EXPECT_EQ(rs.Fields("a").Value, Value("Grüße, O'Brien"));
  EXPECT_EQ(rs.Fields("B").Value, Value(42));
  EXPECT_EQ(rs.Fields("C").Value, Value(3.25));
  EXPECT_EQ(rs.Fields("D").Value, Value(ado::Bytes{0x0A, 0xFF}));
  rs.MoveNext();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(rs.Fields(i).Value.IsNull()) << i;
  rs.MoveNext();
  EXPECT_TRUE(rs.Eof());
}

TEST_F(OdbcStandInTest, OtherColumnTypesMapToTheirAdoCodesAndValues) {
  const std::string t = "\"" + Table() + "\"";
  connection_.Execute("CREATE TABLE " + t +
                      "(\"N\" NUMERIC(10,2),\"D\" DATE,\"TS\" TIMESTAMP,\"TX\" TEXT,\"BI\" BIGINT,\"SI\" SMALLINT,"
                      "\"R\" REAL,\"CH\" CHAR(3))");
  connection_.Execute(
      "INSERT INTO " + t +
      " VALUES('-0.5','2024-02-29 13:05:09','2024-02-29 13:05:09.250','long text','9000000000','-7','3.14','ab')");
  ado::Recordset rs;
  rs.Open("SELECT * FROM " + t, connection_);
  // DATE is Oracle's: a timestamp to the second.
  const std::vector<int> types = {ado::adNumeric, ado::adDBTimeStamp, ado::adDBTimeStamp, ado::adLongVarWChar,
                                  ado::adBigInt,  ado::adSmallInt,    ado::adSingle,      ado::adWChar};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(rs.Fields(i).Type, types[static_cast<std::size_t>(i)]) << rs.Fields(i).Name;
  EXPECT_EQ(rs.Fields("N").Value, Value(ado::Decimal{"-0.50"}));
  EXPECT_EQ(rs.Fields("D").Value, Value(ado::DateTime{{2024, 2, 29}, 13, 5, 9, 0}));
  EXPECT_EQ(rs.Fields("TS").Value, Value(ado::DateTime{{2024, 2, 29}, 13, 5, 9, 250}));
  EXPECT_EQ(rs.Fields("TX").Value, Value("long text"));
  EXPECT_EQ(rs.Fields("BI").Value, Value(std::int64_t{9000000000}));
  EXPECT_EQ(rs.Fields("SI").Value, Value(-7));
  EXPECT_EQ(rs.Fields("R").Value, Value(3.14));
  EXPECT_EQ(rs.Fields("CH").Value, Value("ab "));
}

TEST_F(OdbcStandInTest, LongTextAndBlobRoundTripWhole) {
  const std::string t = "\"" + Table() + "\"";
  connection_.Execute("CREATE TABLE " + t + "(\"ID\" INT,\"M\" TEXT,\"B\" BLOB)");
  std::string text;
  text.reserve(1 << 20);
  for (int i = 0; text.size() < (1 << 20); ++i) text += "Zeile " + std::to_string(i) + " äöü€\n";
  ado::Bytes bytes(1 << 20);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>((i * 7919) >> 3);
  // No literal can carry a megabyte (Oracle stops at 4,000 bytes): the text is bound, and
  // PostgreSQL builds the bytes, past the BLOB trigger that reads text as hex.
  connection_.Execute("ALTER TABLE " + t + " DISABLE TRIGGER USER");
  auto insert =
      connection_.PrepareArrays("INSERT INTO " + t + " VALUES(1, ?, decode(repeat('00ff7f80', 262144), 'hex'))", 1);
  ASSERT_NE(insert, nullptr);
  ado::TextRows row(1);
  row.AddText(text);
  ASSERT_TRUE(insert->Send(row));

  for (int cursor : {ado::adUseClient, ado::adUseServer}) {
    connection_.Close();
    connection_.CursorLocation = cursor;
    connection_.Open(support::kOracleConnectionString);
    ado::Recordset rs;
    rs.Open("SELECT * FROM " + t, connection_);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Fields("M").Value.As<std::string>().size(), text.size());
    EXPECT_TRUE(rs.Fields("M").Value == Value(text));
    const ado::Bytes& got = rs.Fields("B").Value.As<ado::Bytes>();
    ASSERT_EQ(got.size(), std::size_t{1} << 20);
    EXPECT_EQ(got[0], 0x00);
    EXPECT_EQ(got[1], 0xFF);
    EXPECT_EQ(got[2], 0x7F);
    EXPECT_EQ(got[(1 << 20) - 1], 0x80);
  }
}

TEST_F(OdbcStandInTest, ManyRowsArriveInOrderAcrossFetchBlocks) {
  const std::string t = "\"" + Table() + "\"";
  connection_.Execute("CREATE TABLE " + t + "(\"ID\" INT,\"NAME\" VARCHAR(2000))");
  connection_.Execute("INSERT INTO " + t + " SELECT g, 'row ' || g FROM generate_series(1, 2500) g");
  for (int cursor : {ado::adUseClient, ado::adUseServer}) {
    connection_.Close();
    connection_.CursorLocation = cursor;
    connection_.Open(support::kOracleConnectionString);
    ado::Recordset rs;
    rs.Open("SELECT * FROM " + t + " ORDER BY \"ID\"", connection_);
    EXPECT_EQ(rs.RecordCount(), cursor == ado::adUseClient ? 2500 : -1);
    long expected = 1;
    while (!rs.Eof()) {
      ASSERT_EQ(rs.Fields(0).Value, Value(expected));
      ASSERT_EQ(rs.Fields(1).Value, Value("row " + std::to_string(expected)));
      ++expected;
      rs.MoveNext();
    }
    EXPECT_EQ(expected, 2501);
  }
}

TEST_F(OdbcStandInTest, RejectedStatementsFailWithTheServersMessageAndTheSessionGoesOn) {
  try {
    connection_.Execute("DROP TABLE \"NO_SUCH_TABLE_X\"");
    FAIL() << "no failure";
  } catch (const ado::Failure& failure) {
    const std::string text = failure.what();
    EXPECT_NE(text.find("NO_SUCH_TABLE_X"), std::string::npos) << text;
    EXPECT_NE(text.find("SQLSTATE 42P01"), std::string::npos) << text;
  }
  ado::Recordset rs;
  EXPECT_THROW(rs.Open("SELECT * FROM \"NO_SUCH_TABLE_X\"", connection_), ado::Failure);
  EXPECT_EQ(UserTables().count("NO_SUCH_TABLE_X"), 0u);  // the connection still works
}

TEST_F(OdbcStandInTest, StatementTextsReachTheServerUnchanged) {
  const std::string dir = support::StandInDir();
  if (dir.empty()) GTEST_SKIP() << "STANDIN_DIR not set";
  const std::string marker = "INSERT INTO \"" + Table() + "\" VALUES('x''y\t€')";
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(\"A\" VARCHAR(20))");
  connection_.Execute(marker);
  std::ifstream log(dir + "/server.log");
  std::stringstream all;
  all << log.rdbuf();
  EXPECT_NE(all.str().find("statement: " + marker), std::string::npos);
}

TEST_F(OdbcStandInTest, ParameterArraysArriveWholeOrNotAtAll) {
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(\"A\" VARCHAR(20),\"B\" INT,\"C\" BLOB)");
  auto arrays = connection_.PrepareArrays("INSERT INTO \"" + Table() + "\" VALUES(?, ?, ?)", 3);
  ASSERT_NE(arrays, nullptr);
  const auto send = [&](const std::vector<std::vector<const char*>>& cells) {
    ado::TextRows rows(3);
    for (const auto& row : cells) {
      for (const char* cell : row) cell == nullptr ? rows.AddNull() : rows.AddText(cell);
    }
    return arrays->Send(rows);
  };
  // Texts bound for INT and BLOB columns read as the same literals would.
  EXPECT_TRUE(send({{"x'y\t€", "1", "0AFF"}, {nullptr, "2", nullptr}}));
  EXPECT_FALSE(send({{"a", "3", nullptr}, {"b", "not a number", nullptr}, {"c", "5", nullptr}}));
  EXPECT_TRUE(send({{"d", "6", nullptr}}));
  connection_.Execute("INSERT INTO \"" + Table() + "\" VALUES('e', '7', NULL)");  // autocommit again

  ado::Connection other;  // sees only what was committed
  other.CursorLocation = ado::adUseClient;
  other.Open(support::kOracleConnectionString);
  ado::Recordset rs;
  rs.Open("SELECT * FROM \"" + Table() + "\" ORDER BY \"B\"", other);
  std::vector<std::vector<Value>> rows;
  for (; !rs.Eof(); rs.MoveNext()) rows.push_back({rs.Fields(0).Value, rs.Fields(1).Value, rs.Fields(2).Value});
  const std::vector<std::vector<Value>> expected = {{Value("x'y\t€"), Value(1), Value(ado::Bytes{0x0A, 0xFF})},
                                                    {Value(), Value(2), Value()},
                                                    {Value("d"), Value(6), Value()},
                                                    {Value("e"), Value(7), Value()}};
  EXPECT_EQ(rows, expected);
}

// Each typed value as it reaches a column of its kind, and as it reads back.
TEST_F(OdbcStandInTest, TypedValuesArriveExactlyAndNullsInEveryKind) {
  std::string megabyte;
  for (int i = 0; megabyte.size() < (1 << 20); ++i) megabyte += "Zeile " + std::to_string(i) + " äöü€\n";
  ado::Bytes longBytes(1 << 20);
  for (std::size_t i = 0; i < longBytes.size(); ++i) longBytes[i] = static_cast<std::uint8_t>((i * 7919) >> 3);
  struct Case {
    const char* column;
    Value sent;
    Value readBack;
  };
  const std::vector<Case> cases = {
      {"CLOB", Value(megabyte), Value(megabyte)},
      {"VARCHAR2(20 CHAR)", Value("Grüße, O'Brien"), Value("Grüße, O'Brien")},
      {"NUMBER(20,0)", Value(ado::Decimal{"12345678901234567891"}), Value(ado::Decimal{"12345678901234567891"})},
      {"NUMBER(20,4)", Value(ado::Decimal{"-1234567890123456.7891"}), Value(ado::Decimal{"-1234567890123456.7891"})},
      {"NUMBER(19,4)", Value(ado::Currency{INT64_MIN}), Value(ado::Decimal{"-922337203685477.5808"})},
      {"NUMBER(19,4)", Value(ado::Currency{INT64_MAX}), Value(ado::Decimal{"922337203685477.5807"})},
      {"NUMBER(19,0)", Value(std::int64_t{INT64_MAX}), Value(ado::Decimal{"9223372036854775807"})},
      {"NUMBER(1)", Value(true), Value(ado::Decimal{"1"})},
      {"BINARY_DOUBLE", Value(0.1), Value(0.1)},
      {"TIMESTAMP(3)", Value(ado::DateTime{{2024, 2, 29}, 13, 5, 9, 251}),
       Value(ado::DateTime{{2024, 2, 29}, 13, 5, 9, 251})},
      {"TIMESTAMP(3)", Value(ado::Date{1, 1, 1}), Value(ado::DateTime{{1, 1, 1}, 0, 0, 0, 0})},
      {"DATE", Value(ado::Date{9999, 12, 31}), Value(ado::DateTime{{9999, 12, 31}, 0, 0, 0, 0})},
      {"RAW(4)", Value(ado::Bytes{0x00, 0xFF, 0x80, 0x27}), Value(ado::Bytes{0x00, 0xFF, 0x80, 0x27})},
      {"BLOB", Value(longBytes), Value(longBytes)},
  };
  std::string columns = "\"ID\" NUMBER(19)";
  std::string markers = "?";
  for (std::size_t i = 0; i < cases.size(); ++i) {
    columns += ",\"C" + std::to_string(i) + "\" " + cases[i].column;
    markers += ", ?";
  }
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(" + columns + ")");
  auto arrays = connection_.PrepareArrays("INSERT INTO \"" + Table() + "\" VALUES(" + markers + ")", cases.size() + 1);
  ASSERT_NE(arrays, nullptr);
  const auto row = [&](ado::ValueRows& rows, int id, bool values) {
    rows.Add(Value(id));
    for (const Case& c : cases) rows.Add(values ? c.sent : Value());
  };
  ado::ValueRows valuesThenNulls(cases.size() + 1);
  row(valuesThenNulls, 1, true);
  row(valuesThenNulls, 2, false);
  ado::ValueRows nullsOnly(cases.size() + 1);  // an array whose columns hold nothing but Null
  row(nullsOnly, 3, false);
  EXPECT_TRUE(arrays->SendValues(nullsOnly).empty());  // before any kind is known
  for (const ado::RowRefusal& refused : arrays->SendValues(valuesThenNulls)) ADD_FAILURE() << refused.message;
  EXPECT_TRUE(arrays->SendValues(nullsOnly).empty());  // after

  ado::Recordset rs;
  rs.Open("SELECT * FROM \"" + Table() + "\" ORDER BY \"ID\"", connection_);
  ASSERT_EQ(rs.RecordCount(), 4);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_TRUE(rs.Fields(static_cast<int>(i + 1)).Value == cases[i].readBack) << cases[i].column << " #" << i;
  }
  for (rs.MoveNext(); !rs.Eof(); rs.MoveNext()) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
      EXPECT_TRUE(rs.Fields(static_cast<int>(i + 1)).Value.IsNull()) << cases[i].column << " #" << i;
    }
  }
}

// Only the rows the server objects to are refused, each with its message; the rest arrive
// and stay, wherever in the array the bad rows sit.
TEST_F(OdbcStandInTest, TypedArraysRefuseExactlyTheBadRows) {
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(\"ID\" bigint,\"B\" varchar(3))");
  auto arrays = connection_.PrepareArrays("INSERT INTO \"" + Table() + "\" VALUES(?, ?)", 2);
  ASSERT_NE(arrays, nullptr);
  const std::vector<std::set<std::size_t>> badRowsOfEachArray = {{}, {0}, {4}, {9}, {2, 3, 7}, {0, 1, 2, 3, 4}};
  const Value fits("ok");
  const Value tooLong("too long");
  int id = 0;
  std::vector<Value> arrived;
  for (const std::set<std::size_t>& bad : badRowsOfEachArray) {
    ado::ValueRows rows(2);
    const std::size_t count = bad.size() == 5 ? 5 : 10;
    for (std::size_t r = 0; r < count; ++r) {
      const Value rowId(++id);
      rows.Add(rowId);
      rows.Add(bad.count(r) != 0 ? tooLong : fits);
      if (bad.count(r) == 0) arrived.push_back(rowId);
    }
    std::set<std::size_t> refused;
    for (const ado::RowRefusal& refusal : arrays->SendValues(rows)) {
      refused.insert(refusal.row);
      EXPECT_NE(refusal.message.find("SQLSTATE 22001"), std::string::npos) << refusal.message;
    }
    EXPECT_EQ(refused, bad);
  }
  ado::Connection other;  // sees only what was committed
  other.CursorLocation = ado::adUseClient;
  other.Open(support::kOracleConnectionString);
  ado::Recordset rs;
  rs.Open("SELECT \"ID\" FROM \"" + Table() + "\" ORDER BY \"ID\"", other);
  std::vector<Value> ids;
  for (; !rs.Eof(); rs.MoveNext()) ids.push_back(rs.Fields(0).Value);
  EXPECT_EQ(ids, arrived);
}

// A column whose values change kind from row to row still arrives whole and in order.
TEST_F(OdbcStandInTest, TypedArraysTakeColumnsOfMixedKinds) {
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(\"ID\" bigint,\"N\" numeric(20,4))");
  auto arrays = connection_.PrepareArrays("INSERT INTO \"" + Table() + "\" VALUES(?, ?)", 2);
  ASSERT_NE(arrays, nullptr);
  const std::vector<std::pair<Value, Value>> sentAndRead = {
      {Value(7), Value(ado::Decimal{"7.0000"})},
      {Value(ado::Decimal{"1.5"}), Value(ado::Decimal{"1.5000"})},
      {Value(), Value()},
      {Value(2.25), Value(ado::Decimal{"2.2500"})},
      {Value(ado::Currency{12345}), Value(ado::Decimal{"1.2345"})},
      {Value(false), Value(ado::Decimal{"0.0000"})},
  };
  ado::ValueRows rows(2);
  for (std::size_t i = 0; i < sentAndRead.size(); ++i) {
    rows.Add(Value(static_cast<std::int64_t>(i)));
    rows.Add(sentAndRead[i].first);
  }
  EXPECT_TRUE(arrays->SendValues(rows).empty());
  ado::Recordset rs;
  rs.Open("SELECT \"N\" FROM \"" + Table() + "\" ORDER BY \"ID\"", connection_);
  for (const auto& [sent, read] : sentAndRead) {
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs.Fields(0).Value, read);
    rs.MoveNext();
  }
  EXPECT_TRUE(rs.Eof());
}

// A connection that is gone is no row's fault: the send fails instead of refusing every row.
TEST_F(OdbcStandInTest, TypedArraysFailWhenTheConnectionIsLost) {
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(\"ID\" bigint)");
  auto arrays = connection_.PrepareArrays("INSERT INTO \"" + Table() + "\" VALUES(?)", 1);
  ASSERT_NE(arrays, nullptr);
  ado::Recordset backend;  // only this connection's server process goes: tests may run side by side
  backend.Open("SELECT pg_backend_pid()", connection_);
  const std::string pid = ado::ValueToText(backend.Fields(0).Value);
  backend.Close();
  ado::Connection other;
  other.Open(support::kOracleConnectionString);
  other.Execute("SELECT pg_terminate_backend(" + pid + ")");
  ado::ValueRows rows(1);
  for (int id = 0; id < 3; ++id) rows.Add(Value(id));
  EXPECT_THROW(arrays->SendValues(rows), ado::ConnectionLost);
}

// The statements a typed copy sends: Oracle DDL, then values bound as parameters.
TEST_F(OdbcStandInTest, OracleDdlAndBoundValuesRoundTrip) {
  const std::string t = "\"" + Table() + "\"";
  for (const std::string& ddl :
       {"CREATE TABLE " + t +
            " (\"A\" NUMBER(10,2), \"B\" VARCHAR2(40 CHAR), \"C\" CLOB, \"D\" DATE, \"E\" TIMESTAMP(3), "
            "\"F\" RAW(16), \"G\" BLOB, \"H\" BINARY_DOUBLE, "
            "\"I\" NUMBER(10) GENERATED BY DEFAULT AS IDENTITY (START WITH 5), "
            "\"L\" NUMBER(1) CHECK (\"L\" IN (0,1)), CONSTRAINT \"" +
            Table() + "_PK\" PRIMARY KEY (\"A\"))",
        "COMMENT ON COLUMN " + t + ".\"A\" IS 'foxpro N(12,2)'",
        "CREATE UNIQUE INDEX \"" + Table() + "_IX\" ON " + t + " (\"B\", \"A\")",
        "CREATE INDEX \"" + Table() + "_UP\" ON " + t + " (UPPER(\"B\"))",
        "ALTER TABLE " + t + " ADD CONSTRAINT \"" + Table() + "_U\" UNIQUE (\"B\")"})
    connection_.Execute(ddl);
  std::string clob;  // 40,000 characters, 52,000 bytes: far past a literal's limit
  for (int i = 0; i < 40000; ++i) clob += i % 10 == 0 ? "€" : std::string(1, static_cast<char>('a' + i % 26));
  const std::vector<const char*> texts = {
      "-12345678.25", "Grüße", clob.c_str(), "2024-02-29 13:05:09", "2024-02-29 13:05:09.250", "00FF3041",
      "0aff",         "0.1",   "1"};
  auto insert = connection_.PrepareArrays(
      "INSERT INTO " + t + " (\"A\",\"B\",\"C\",\"D\",\"E\",\"F\",\"G\",\"H\",\"L\") VALUES(?,?,?,?,?,?,?,?,?)", 9);
  ASSERT_NE(insert, nullptr);
  ado::TextRows rows(9);
  for (const char* text : texts) rows.AddText(text);
  ASSERT_TRUE(insert->Send(rows));

  ado::Recordset rs;
  rs.Open("SELECT * FROM " + t, connection_);
  ASSERT_EQ(rs.RecordCount(), 1);
  const std::vector<Value> expected = {Value(ado::Decimal{"-12345678.25"}),
                                       Value("Grüße"),
                                       Value(clob),
                                       Value(ado::DateTime{{2024, 2, 29}, 13, 5, 9, 0}),
                                       Value(ado::DateTime{{2024, 2, 29}, 13, 5, 9, 250}),
                                       Value(ado::Bytes{0x00, 0xFF, 0x30, 0x41}),
                                       Value(ado::Bytes{0x0A, 0xFF}),
                                       Value(0.1),
                                       Value(std::int64_t{5}),
                                       Value(ado::Decimal{"1"})};
  const std::vector<int> types = {ado::adNumeric,     ado::adVarWChar,      ado::adLongVarWChar,  ado::adDBTimeStamp,
                                  ado::adDBTimeStamp, ado::adLongVarBinary, ado::adLongVarBinary, ado::adDouble,
                                  ado::adBigInt,      ado::adNumeric};
  ASSERT_EQ(rs.FieldCount(), 10);
  for (int i = 0; i < 10; ++i) {
    EXPECT_TRUE(rs.Fields(i).Value == expected[static_cast<std::size_t>(i)]) << rs.Fields(i).Name;
    EXPECT_EQ(rs.Fields(i).Type, types[static_cast<std::size_t>(i)]) << rs.Fields(i).Name;
  }
}

TEST_F(OdbcStandInTest, AStatementWithoutRowsLeavesTheRecordsetClosed) {
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(\"A\" INT)");
  ado::Recordset rs;
  rs.Open("INSERT INTO \"" + Table() + "\" VALUES(5)", connection_);
  EXPECT_FALSE(rs.IsOpen());
  ado::Recordset check;
  check.Open("SELECT * FROM \"" + Table() + "\"", connection_);
  EXPECT_EQ(check.RecordCount(), 1);
}

TEST_F(OdbcStandInTest, TablesSchemaNamesItsColumnsTheOleDbWay) {
  connection_.Execute("CREATE TABLE \"" + Table() + "\"(\"A\" INT)");
  std::unique_ptr<ado::Recordset> rs = connection_.OpenSchema(ado::adSchemaTables);
  bool found = false;
  while (!rs->Eof()) {
    if (rs->Fields("TABLE_NAME").Value == Value(Table())) {
      found = true;
      EXPECT_EQ(rs->Fields("TABLE_TYPE").Value, Value("TABLE"));
      EXPECT_EQ(rs->Fields("TABLE_SCHEMA").Value, Value("scott"));
    }
    rs->MoveNext();
  }
  EXPECT_TRUE(found);
}

TEST_F(OdbcStandInTest, ClosingTheConnectionUnderAStreamingRecordsetFreesItsStatement) {
  connection_.Close();
  connection_.CursorLocation = ado::adUseServer;
  connection_.Open(support::kOracleConnectionString);
  ado::Recordset rs;
  rs.Open("SELECT g FROM generate_series(1, 5000) g", connection_);
  EXPECT_EQ(rs.Fields(0).Value, Value(1));
  connection_.Close();
  // The rest of the rows went with the connection; nothing dangles (ASan watches).
  EXPECT_THROW(for (int i = 0; i < 5000; ++i) rs.MoveNext(), ado::Failure);
  rs.Close();
}

TEST(OdbcLogin, WrongPasswordFailsWithTheDriversMessage) {
  TESSELBY_REQUIRE_STANDIN();
  odbc::RegisterOdbcProvider();
  ado::Connection connection;
  try {
    connection.Open("Driver={Microsoft ODBC for Oracle};Server=127.0.0.1;Uid=scott;Pwd=wrong;");
    FAIL() << "opened with a wrong password";
  } catch (const ado::Failure& failure) {
    const std::string text = failure.what();
    EXPECT_NE(text.find("ORA-01017"), std::string::npos) << text;
    EXPECT_NE(text.find("SQLSTATE "), std::string::npos) << text;
  }
  EXPECT_FALSE(connection.IsOpen());
}

TEST(OdbcLogin, UnknownDriverFailsWithTheDriverManagersMessage) {
  odbc::RegisterOdbcProvider();
  ado::Connection connection;
  try {
    connection.Open("Driver={No Such Driver 4711};Server=127.0.0.1;Uid=a;Pwd=b;");
    FAIL() << "opened";
  } catch (const ado::Failure& failure) {
    const std::string text = failure.what();
    EXPECT_NE(text.find("No Such Driver 4711"), std::string::npos) << text;
    EXPECT_NE(text.find("[unixODBC][Driver Manager]"), std::string::npos) << text;
  }
}

}  // namespace
