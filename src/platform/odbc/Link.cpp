#include "platform/odbc/Link.h"

#include <algorithm>

#include "platform/ado/Failure.h"
#include "platform/odbc/OdbcApi.h"

namespace odbc {

Link& Link::Active() {
  if (!open_) throw ado::Failure("Operation is not allowed when the object is closed.");
  return *this;
}

void Link::SetQueryTimeout(SQLHSTMT stmt) const {
  // A driver that cannot limit a statement's time runs it without a limit.
  const SQLRETURN ret =
      SQLSetStmtAttrW(stmt, SQL_ATTR_QUERY_TIMEOUT,
                      reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(std::max(0L, commandTimeout))), 0);
  (void)ret;
}

void Link::Detach(LinkedStatement* statement) {
  statements_.erase(std::remove(statements_.begin(), statements_.end(), statement), statements_.end());
}

void Link::Shut() noexcept {
  for (LinkedStatement* statement : statements_) statement->Release();
  statements_.clear();
  execStmt.Free();
  dbc.Free();
  env.Free();
  open_ = false;
}

}  // namespace odbc
