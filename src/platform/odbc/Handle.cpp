#include "platform/odbc/Handle.h"

#include "platform/ado/Failure.h"
#include "platform/odbc/Diagnostics.h"

namespace odbc {

Handle::Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type) {
  const SQLRETURN ret = SQLAllocHandle(type, parent, &handle_);
  if (!Succeeded(ret)) {
    handle_ = nullptr;
    const SQLSMALLINT parentType = type == SQL_HANDLE_ENV   ? 0
                                   : type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV
                                                            : SQL_HANDLE_DBC;
    std::string text = parentType != 0 ? DiagnosticText(parentType, parent) : std::string();
    if (text.empty()) text = "The ODBC driver manager could not allocate a handle (SQLAllocHandle).";
    throw ado::Failure(text, SqlStateIn(text));
  }
}

void Handle::Free() noexcept {
  if (handle_ == nullptr) return;
  if (connected_) SQLDisconnect(handle_);  // nothing to report to: the handle goes regardless
  SQLFreeHandle(type_, handle_);
  handle_ = nullptr;
  connected_ = false;
}

}  // namespace odbc
