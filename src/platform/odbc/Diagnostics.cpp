#include "platform/odbc/Diagnostics.h"

#include <array>
#include <string_view>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/odbc/OdbcApi.h"
#include "platform/odbc/WideText.h"

namespace odbc {

std::string DiagnosticText(SQLSMALLINT handleType, SQLHANDLE handle) {
  std::string text;
  if (handle == SQL_NULL_HANDLE) return text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    std::vector<SQLWCHAR> message(1024);
    SQLSMALLINT length = 0;
    SQLRETURN ret = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                   static_cast<SQLSMALLINT>(message.size()), &length);
    if (ret == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.resize(static_cast<std::size_t>(length) + 1);  // a long message: ask again with room for all of it
      ret = SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                           static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!Succeeded(ret)) break;
    std::string line = ToUtf8(message.data(), std::min<std::size_t>(static_cast<std::size_t>(length), message.size()));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!text.empty()) text += '\n';
    text += line;
    text += " (SQLSTATE ";
    text += ToUtf8(state, 5);
    text += ')';
  }
  return text;
}

std::string FailureText(SQLRETURN ret, SQLSMALLINT handleType, SQLHANDLE handle, const char* call) {
  std::string text = DiagnosticText(handleType, handle);
  if (text.empty()) {
    text = std::string(call) + " failed";
    if (ret == SQL_INVALID_HANDLE)
      text += ": invalid handle";
    else if (ret == SQL_NO_DATA)
      text += ": no data";
    else
      text += " without a diagnostic message (return code " + std::to_string(ret) + ")";
  }
  return text;
}

namespace {

// Oracle's drivers report these with a general SQLSTATE: end of file on the channel, not
// connected, lost contact, not logged on, session killed, packet writer failure.
constexpr std::array<std::string_view, 6> kOracleLostCodes{"ORA-03113", "ORA-03114", "ORA-03135",
                                                           "ORA-01012", "ORA-00028", "ORA-12571"};

bool TellsOfLostConnection(const std::string& description) {
  if (description.find("(SQLSTATE 08") != std::string::npos) return true;
  for (const std::string_view code : kOracleLostCodes) {
    if (description.find(code) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

std::string SqlStateIn(const std::string& description) {
  constexpr std::string_view kMark = " (SQLSTATE ";
  const auto at = description.find(kMark);
  if (at == std::string::npos || at + kMark.size() + 5 > description.size()) return {};
  return description.substr(at + kMark.size(), 5);
}

long NativeCodeOf(SQLSMALLINT handleType, SQLHANDLE handle) {
  if (handle == SQL_NULL_HANDLE) return 0;
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLWCHAR message[2] = {};
  SQLSMALLINT length = 0;
  const SQLRETURN ret = SQLGetDiagRecW(handleType, handle, 1, state, &native, message, 2, &length);
  return Succeeded(ret) ? static_cast<long>(native) : 0;
}

void ThrowFailure(const std::string& description, long nativeCode) {
  if (TellsOfLostConnection(description)) throw ado::ConnectionLost(description, SqlStateIn(description), nativeCode);
  throw ado::Failure(description, SqlStateIn(description), nativeCode);
}

bool ConnectionIsLost(const std::string& description, SQLHDBC dbc) {
  if (TellsOfLostConnection(description)) return true;
  SQLUINTEGER dead = SQL_CD_FALSE;
  // A driver that cannot tell leaves the answer false.
  const SQLRETURN ret = SQLGetConnectAttrW(dbc, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr);
  return Succeeded(ret) && dead == SQL_CD_TRUE;
}

void ThrowFailure(const std::string& description, SQLHDBC dbc, long nativeCode) {
  if (ConnectionIsLost(description, dbc)) throw ado::ConnectionLost(description, SqlStateIn(description), nativeCode);
  throw ado::Failure(description, SqlStateIn(description), nativeCode);
}

void Check(SQLRETURN ret, SQLSMALLINT handleType, SQLHANDLE handle, const char* call, bool noDataIsSuccess) {
  if (Succeeded(ret) || (noDataIsSuccess && ret == SQL_NO_DATA)) return;
  ThrowFailure(FailureText(ret, handleType, handle, call), NativeCodeOf(handleType, handle));
}

}  // namespace odbc
