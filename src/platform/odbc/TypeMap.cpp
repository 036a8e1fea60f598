#include "platform/odbc/TypeMap.h"

#include <charconv>
#include <optional>

#include "platform/ado/DecimalDigits.h"
#include "platform/ado/Types.h"
#include "platform/odbc/OdbcApi.h"

namespace odbc {

int AdoTypeOf(SQLSMALLINT sqlType, bool isUnsigned) {
  switch (sqlType) {
    case SQL_CHAR:
      return ado::adChar;
    case SQL_VARCHAR:
      return ado::adVarChar;
    case SQL_LONGVARCHAR:
      return ado::adLongVarChar;
    case SQL_WCHAR:
      return ado::adWChar;
    case SQL_WVARCHAR:
      return ado::adVarWChar;
    case SQL_WLONGVARCHAR:
      return ado::adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return ado::adNumeric;
    case SQL_TINYINT:  // widened like SMALLINT, as the ODBC provider does
    case SQL_SMALLINT:
      return isUnsigned ? ado::adUnsignedSmallInt : ado::adSmallInt;
    case SQL_INTEGER:
      return isUnsigned ? ado::adUnsignedInt : ado::adInteger;
    case SQL_BIGINT:
      return isUnsigned ? ado::adUnsignedBigInt : ado::adBigInt;
    case SQL_REAL:
      return ado::adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return ado::adDouble;
    case SQL_BIT:
      return ado::adBoolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return ado::adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return ado::adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return ado::adDBTimeStamp;
    case SQL_BINARY:
      return ado::adBinary;
    case SQL_VARBINARY:
      return ado::adVarBinary;
    case SQL_LONGVARBINARY:
      return ado::adLongVarBinary;
    case SQL_GUID:
      return ado::adGUID;
    default:
      return ado::adVarWChar;
  }
}

std::string PlainDecimal(std::string_view driverText) {
  while (!driverText.empty() && driverText.front() == ' ') driverText.remove_prefix(1);
  while (!driverText.empty() && driverText.back() == ' ') driverText.remove_suffix(1);
  if (driverText.empty() || driverText == "-" || driverText == "+") return "0";
  std::optional<ado::DecimalDigits> digits = ado::ParseDecimalDigits(driverText, ado::DecimalComma::Accepted);
  if (!digits) return std::string(driverText);  // not a number (NaN): its text is all there is
  if (digits->integer.empty() && digits->fraction.empty()) digits->negative = false;
  return ado::DecimalSpelling(*digits);
}

double WidenSingle(float value) {
  char buffer[32];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
  double widened = value;
  std::from_chars(buffer, written.ptr, widened);
  return widened;
}

}  // namespace odbc
