#include "platform/odbc/OdbcSession.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/ado/Failure.h"
#include "platform/ado/Types.h"
#include "platform/odbc/ConnectString.h"
#include "platform/odbc/Diagnostics.h"
#include "platform/odbc/Handle.h"
#include "platform/odbc/Link.h"
#include "platform/odbc/OdbcApi.h"
#include "platform/odbc/OdbcArrays.h"
#include "platform/odbc/OdbcRows.h"
#include "platform/odbc/WideText.h"

namespace odbc {

OdbcSession::OdbcSession(const std::string& connectionString, const ado::ConnectionSettings& settings)
    : link_(std::make_shared<Link>()) {
  link_->commandTimeout = settings.commandTimeout;
  link_->env = Handle(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
  Check(SQLSetEnvAttr(link_->env.Get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
        SQL_HANDLE_ENV, link_->env.Get(), "SQLSetEnvAttr");
  link_->dbc = Handle(SQL_HANDLE_DBC, link_->env.Get());
  SQLHDBC dbc = link_->dbc.Get();
  if (settings.connectionTimeout >= 0) {
    // A driver that cannot limit the login just waits as long as it takes.
    const SQLRETURN ret = SQLSetConnectAttrW(
        dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(settings.connectionTimeout)), 0);
    (void)ret;
  }
  if (settings.mode == 1) {  // adModeRead
    Check(SQLSetConnectAttrW(dbc, SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0),
          SQL_HANDLE_DBC, dbc, "SQLSetConnectAttr");
  }
  WideText in = ToWide(DriverConnectString(connectionString));
  SQLWCHAR out[1024];
  SQLSMALLINT outLength = 0;
  Check(SQLDriverConnectW(dbc, nullptr, in.data(), static_cast<SQLSMALLINT>(Length(in)), out,
                          static_cast<SQLSMALLINT>(std::size(out)), &outLength, SQL_DRIVER_NOPROMPT),
        SQL_HANDLE_DBC, dbc, "SQLDriverConnect");
  link_->dbc.MarkConnected();
}

OdbcSession::~OdbcSession() {
  if (link_) link_->Shut();
}

void OdbcSession::Execute(const std::string& sql) {
  Link& link = link_->Active();
  if (!link.execStmt) {
    // One statement handle for every Execute: statements are sent one at a time, and
    // allocating a handle per statement is measurable on per-row INSERTs.
    link.execStmt = Handle(SQL_HANDLE_STMT, link.dbc.Get());
    link.SetQueryTimeout(link.execStmt.Get());
  }
  SQLHSTMT stmt = link.execStmt.Get();
  WideText text = ToWide(sql);
  const SQLRETURN ret = SQLExecDirectW(stmt, text.data(), Length(text));
  if (!Succeeded(ret) && ret != SQL_NO_DATA) {
    std::string description = FailureText(ret, SQL_HANDLE_STMT, stmt, "SQLExecDirect");
    const long nativeCode = NativeCodeOf(SQL_HANDLE_STMT, stmt);
    SQLFreeStmt(stmt, SQL_CLOSE);  // ready for the next statement
    ThrowFailure(description, link.dbc.Get(), nativeCode);
  }
  // Rows the statement returned are of no interest.
  SQLFreeStmt(stmt, SQL_CLOSE);
}

std::unique_ptr<ado::RowSource> OdbcSession::Query(const std::string& sql) {
  Link& link = link_->Active();
  Handle stmt(SQL_HANDLE_STMT, link.dbc.Get());
  link.SetQueryTimeout(stmt.Get());
  WideText text = ToWide(sql);
  const SQLRETURN ret = SQLExecDirectW(stmt.Get(), text.data(), Length(text));
  if (!Succeeded(ret) && ret != SQL_NO_DATA) {
    ThrowFailure(FailureText(ret, SQL_HANDLE_STMT, stmt.Get(), "SQLExecDirect"), link.dbc.Get(),
                 NativeCodeOf(SQL_HANDLE_STMT, stmt.Get()));
  }
  return std::make_unique<OdbcRows>(link_, std::move(stmt), OdbcRows::Naming::kAsReported);
}

std::unique_ptr<ado::RowSource> OdbcSession::TablesSchema() {
  Link& link = link_->Active();
  Handle stmt(SQL_HANDLE_STMT, link.dbc.Get());
  link.SetQueryTimeout(stmt.Get());
  Check(SQLTablesW(stmt.Get(), nullptr, 0, nullptr, 0, nullptr, 0, nullptr, 0), SQL_HANDLE_STMT, stmt.Get(),
        "SQLTables");
  return std::make_unique<OdbcRows>(link_, std::move(stmt), OdbcRows::Naming::kSchemaRowset);
}

std::unique_ptr<ado::ParameterArrays> OdbcSession::PrepareArrays(const std::string& sql, std::size_t markers) {
  return OdbcArrays::Prepare(link_, sql, markers);
}

void OdbcSession::Close() {
  Link& link = link_->Active();
  link.Shut();
}

}  // namespace odbc
