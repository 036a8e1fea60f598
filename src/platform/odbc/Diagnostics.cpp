#include "platform/odbc/Diagnostics.h"

#include <sqlext.h>
#include <sqlucode.h>

#include <vector>

#include "platform/ado/Failure.h"
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

void Check(SQLRETURN ret, SQLSMALLINT handleType, SQLHANDLE handle, const char* call, bool noDataIsSuccess) {
  if (Succeeded(ret) || (noDataIsSuccess && ret == SQL_NO_DATA)) return;
  throw ado::Failure(FailureText(ret, handleType, handle, call));
}

}  // namespace odbc
