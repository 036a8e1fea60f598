#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/ado/Failure.h"
#include "platform/ado/Types.h"
#include "platform/odbc/ConnectString.h"
#include "platform/odbc/Diagnostics.h"
#include "platform/odbc/TypeMap.h"
#include "platform/odbc/WideText.h"

// The parts of the ODBC provider that need no driver.
namespace {

TEST(DriverConnectStringTest, AddsTheServerAsDbqForOraclesOwnDriver) {
  EXPECT_EQ(odbc::DriverConnectString("Driver={Microsoft ODBC for Oracle};Server=127.0.0.1;Uid=scott;Pwd=tiger;"),
            "Driver={Microsoft ODBC for Oracle};Server=127.0.0.1;Uid=scott;Pwd=tiger;DBQ=127.0.0.1;");
  EXPECT_EQ(odbc::DriverConnectString("Driver={Microsoft ODBC for Oracle};Server=;Uid=;Pwd=;"),
            "Driver={Microsoft ODBC for Oracle};Server=;Uid=;Pwd=;DBQ=;");
  EXPECT_EQ(odbc::DriverConnectString("server=db:1521/XE;uid=a"), "server=db:1521/XE;uid=a;DBQ=db:1521/XE;");
}

TEST(DriverConnectStringTest, LeavesStringsWithDbqOrWithoutServerAlone) {
  EXPECT_EQ(odbc::DriverConnectString("Driver={X};Server=a;dbq=b;"), "Driver={X};Server=a;dbq=b;");
  EXPECT_EQ(odbc::DriverConnectString("DSN=ora;Uid=u;Pwd=p;"), "DSN=ora;Uid=u;Pwd=p;");
  EXPECT_EQ(odbc::DriverConnectString(""), "");
  // "Server" inside a value is no key.
  EXPECT_EQ(odbc::DriverConnectString("Pwd={Server=x};"), "Pwd={Server=x};");
}

TEST(DriverConnectStringTest, BracesAServerValueThatWouldReadDifferentlyBare) {
  EXPECT_EQ(odbc::DriverConnectString("Server={a;b};"), "Server={a;b};DBQ={a;b};");
  EXPECT_EQ(odbc::DriverConnectString("Server={x}}y};"), "Server={x}}y};DBQ={x}}y};");
  EXPECT_EQ(odbc::DriverConnectString("Server={ padded };"), "Server={ padded };DBQ={ padded };");
}

// A broken link must be told from a refused statement: the transfer ends a table on it. The
// failure carries its first SQLSTATE, which the reports read instead of the text.
TEST(ThrowFailureTest, TellsALostConnectionFromOtherFailures) {
  const struct {
    std::string description;
    bool lost;
    std::string sqlState;
  } cases[] = {
      {"could not send data to server: Broken pipe (SQLSTATE 08S01)", true, "08S01"},
      {"Connection not open (SQLSTATE 08003)", true, "08003"},
      {"first line (SQLSTATE 01000)\nserver closed the connection unexpectedly (SQLSTATE 08S01)", true, "01000"},
      {"[Oracle][ODBC][Ora]ORA-03113: end-of-file on communication channel (SQLSTATE HY000)", true, "HY000"},
      {"[Oracle][ODBC][Ora]ORA-03114: not connected to ORACLE (SQLSTATE HY000)", true, "HY000"},
      {"ERROR: relation \"x\" does not exist (SQLSTATE 42P01)", false, "42P01"},
      {"[Oracle][ODBC][Ora]ORA-00942: table or view does not exist (SQLSTATE 42S02)", false, "42S02"},
      {"SQLExecDirect failed without a diagnostic message (return code -1)", false, ""},
  };
  for (const auto& c : cases) {
    try {
      odbc::ThrowFailure(c.description);
    } catch (const ado::ConnectionLost& failure) {
      EXPECT_TRUE(c.lost) << c.description;
      EXPECT_EQ(failure.what(), c.description);
      EXPECT_EQ(failure.SqlState(), c.sqlState) << c.description;
    } catch (const ado::Failure& failure) {
      EXPECT_FALSE(c.lost) << c.description;
      EXPECT_EQ(failure.what(), c.description);
      EXPECT_EQ(failure.SqlState(), c.sqlState) << c.description;
    }
  }
}

TEST(AdoTypeOfTest, MapsOdbcTypesTheWayTheOdbcProviderDoes) {
  EXPECT_EQ(odbc::AdoTypeOf(SQL_CHAR, false), ado::adChar);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_VARCHAR, false), ado::adVarChar);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_LONGVARCHAR, false), ado::adLongVarChar);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_WCHAR, false), ado::adWChar);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_WVARCHAR, false), ado::adVarWChar);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_WLONGVARCHAR, false), ado::adLongVarWChar);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_DECIMAL, false), ado::adNumeric);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_NUMERIC, false), ado::adNumeric);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_TINYINT, false), ado::adSmallInt);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_TINYINT, true), ado::adUnsignedSmallInt);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_INTEGER, false), ado::adInteger);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_INTEGER, true), ado::adUnsignedInt);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_BIGINT, false), ado::adBigInt);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_BIGINT, true), ado::adUnsignedBigInt);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_REAL, false), ado::adSingle);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_FLOAT, false), ado::adDouble);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_DOUBLE, false), ado::adDouble);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_BIT, false), ado::adBoolean);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_TYPE_DATE, false), ado::adDBDate);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_TYPE_TIME, false), ado::adDBTime);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_TYPE_TIMESTAMP, false), ado::adDBTimeStamp);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_BINARY, false), ado::adBinary);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_VARBINARY, false), ado::adVarBinary);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_LONGVARBINARY, false), ado::adLongVarBinary);
  EXPECT_EQ(odbc::AdoTypeOf(SQL_GUID, false), ado::adGUID);
}

TEST(PlainDecimalTest, MakesDriverSpellingsPlain) {
  EXPECT_EQ(odbc::PlainDecimal("12.50"), "12.50");
  EXPECT_EQ(odbc::PlainDecimal(".5"), "0.5");
  EXPECT_EQ(odbc::PlainDecimal("-.5"), "-0.5");
  EXPECT_EQ(odbc::PlainDecimal(" -3,25 "), "-3.25");
  EXPECT_EQ(odbc::PlainDecimal("+7"), "7");
  EXPECT_EQ(odbc::PlainDecimal("7."), "7");
  EXPECT_EQ(odbc::PlainDecimal("-0"), "0");
  EXPECT_EQ(odbc::PlainDecimal(""), "0");
  EXPECT_EQ(odbc::PlainDecimal("007.50"), "7.50");
  EXPECT_EQ(odbc::PlainDecimal("1.5E+3"), "1500");
  EXPECT_EQ(odbc::PlainDecimal("NaN"), "NaN");
}

TEST(WidenSingleTest, SinglesReadAsTheirShortDecimalForm) {
  EXPECT_EQ(odbc::WidenSingle(3.14f), 3.14);
  EXPECT_EQ(odbc::WidenSingle(0.1f), 0.1);
  EXPECT_EQ(odbc::WidenSingle(16777216.0f), 16777216.0);
  EXPECT_TRUE(std::isinf(odbc::WidenSingle(HUGE_VALF)));
}

TEST(WideTextTest, RoundTripsEveryPlaneAndRepairsBrokenInput) {
  using namespace std::string_literals;
  const std::string text = "A\u00e9\u20ac\U0001F600\u0000z"s;
  const odbc::WideText wide = odbc::ToWide(std::string_view(text.data(), text.size()));
  EXPECT_EQ(odbc::Length(wide), 7);  // A, é, €, two surrogates, NUL, z
  EXPECT_EQ(wide[3], 0xD83D);
  EXPECT_EQ(wide[4], 0xDE00);
  EXPECT_EQ(wide.back(), 0);
  EXPECT_EQ(odbc::ToUtf8(wide.data(), static_cast<std::size_t>(odbc::Length(wide))), text);

  // Truncated and overlong sequences, and lone surrogates, become U+FFFD.
  EXPECT_EQ(odbc::ToUtf8(odbc::ToWide("a\xE2\x82").data(), 2), "a\uFFFD");
  EXPECT_EQ(odbc::ToUtf8(odbc::ToWide("\xC0\xAF").data(), 1), "\uFFFD");
  const SQLWCHAR lone[] = {0xD800, 'x', 0xDC00};
  EXPECT_EQ(odbc::ToUtf8(lone, 3), "\uFFFDx\uFFFD");
}

}  // namespace
