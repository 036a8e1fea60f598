#pragma once

#include <string>

#include "platform/odbc/OdbcApi.h"

namespace odbc {

/// Every diagnostic record of a handle as one text: each record's message followed by
/// its SQLSTATE, records on separate lines. Empty when there is none.
std::string DiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle);

/// The description of a failed call: its diagnostics, or a text naming the call when it left none.
std::string FailureText(SQLRETURN ret, SQLSMALLINT handleType, SQLHANDLE handle, const char* call);

/// The SQLSTATE of a DiagnosticText's first record; empty when it has none.
std::string SqlStateIn(const std::string& description);

/// The native error code of the handle's first diagnostic record; 0 when there is none.
long NativeCodeOf(SQLSMALLINT handleType, SQLHANDLE handle);

/// Throws the failure a FailureText describes (with its first SQLSTATE): ado::ConnectionLost when it tells of a broken
/// link (an SQLSTATE of class 08, or one of Oracle's errors for a lost or killed session),
/// otherwise ado::Failure.
[[noreturn]] void ThrowFailure(const std::string& description, long nativeCode = 0);

/// As above, and ado::ConnectionLost also when the driver says the connection is dead
/// (SQL_ATTR_CONNECTION_DEAD): a server that ended the session may report that first with
/// a state of its own.
[[noreturn]] void ThrowFailure(const std::string& description, SQLHDBC dbc, long nativeCode = 0);

/// Whether a failure's description or the driver (SQL_ATTR_CONNECTION_DEAD) tells of a link
/// that is gone: then no row of a batch can arrive, and refusing them one by one would only
/// repeat the same failure.
bool ConnectionIsLost(const std::string& description, SQLHDBC dbc);

/// Throws (see ThrowFailure) with the handle's diagnostics unless ret is a success (or,
/// when allowed, SQL_NO_DATA). call names the ODBC function for the rare failure that
/// comes without a diagnostic record.
void Check(SQLRETURN ret, SQLSMALLINT handleType, SQLHANDLE handle, const char* call, bool noDataIsSuccess = false);

inline bool Succeeded(SQLRETURN ret) { return ret == SQL_SUCCESS || ret == SQL_SUCCESS_WITH_INFO; }

}  // namespace odbc
