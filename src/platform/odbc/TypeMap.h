#pragma once

#include <string>
#include <string_view>

#include "platform/odbc/OdbcApi.h"

namespace odbc {

/// The ADO type code a column of this ODBC SQL type reports, as the OLE DB provider for
/// ODBC describes it. Types it has no entry for come out as text (adVarWChar).
int AdoTypeOf(SQLSMALLINT sqlType, bool isUnsigned);

/// A driver's character form of an exact number made plain: "." as the separator, a
/// leading zero before a bare fraction, no "+" and no trailing separator (" -,5" -> "-0.5").
std::string PlainDecimal(std::string_view driverText);

/// The double nearest to the shortest decimal form of a single-precision value, so that
/// 3.14f reads as 3.14 and not as 3.1400001049041748.
double WidenSingle(float value);

}  // namespace odbc
