#pragma once

#include <vector>

#include "platform/odbc/Handle.h"
#include "platform/odbc/OdbcApi.h"

namespace odbc {

// A statement handed out by a session (rows being read, a prepared statement): the
// session frees its handle when the connection closes first.
class LinkedStatement {
 public:
  virtual void Release() noexcept = 0;

 protected:
  ~LinkedStatement() = default;
};

// What a session and the row sources it handed out share: the handles of one
// connection. Closing the session frees the statements of row sources still alive, so
// that no statement outlives its connection.
class Link {
 public:
  Handle env;
  Handle dbc;
  Handle execStmt;  // reused by every Execute
  long commandTimeout = 30;

  /// This link, or a failure when the connection is closed.
  Link& Active();
  bool IsOpen() const { return open_; }
  void SetQueryTimeout(SQLHSTMT stmt) const;
  void Attach(LinkedStatement* statement) { statements_.push_back(statement); }
  void Detach(LinkedStatement* statement);
  /// Frees every handle, statements first.
  void Shut() noexcept;

 private:
  std::vector<LinkedStatement*> statements_;
  bool open_ = true;
};

}  // namespace odbc
