// The same INSERTs as OdbcInsertAdo, through a bare unixODBC loop: the floor that the
// data access layer is measured against. Prints the seconds the INSERTs took.
//   OdbcInsertBare "<connection string>" [rows]
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool Ok(SQLRETURN ret) { return ret == SQL_SUCCESS || ret == SQL_SUCCESS_WITH_INFO; }

void Die(const char* what, SQLSMALLINT type, SQLHANDLE handle) {
  SQLCHAR state[6] = {};
  SQLCHAR message[1024] = {};
  SQLINTEGER native = 0;
  SQLSMALLINT length = 0;
  SQLGetDiagRec(type, handle, 1, state, &native, message, sizeof message, &length);
  std::fprintf(stderr, "%s: %s (%s)\n", what, reinterpret_cast<char*>(message), reinterpret_cast<char*>(state));
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s \"<connection string>\" [rows]\n", argv[0]);
    return 2;
  }
  const long rows = argc > 2 ? std::atol(argv[2]) : 10000;
  SQLHENV env = nullptr;
  SQLHDBC dbc = nullptr;
  SQLHSTMT stmt = nullptr;
  SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
  SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
  std::string in = argv[1];
  if (!Ok(SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS, nullptr, 0, nullptr,
                           SQL_DRIVER_NOPROMPT))) {
    Die("connect", SQL_HANDLE_DBC, dbc);
  }
  SQLAllocHandle(SQL_HANDLE_STMT, dbc, &stmt);
  const auto exec = [&](const std::string& sql) {
    return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())), SQL_NTS);
  };
  exec("DROP TABLE \"BENCH_BARE\"");  // may not be there yet
  if (!Ok(exec("CREATE TABLE \"BENCH_BARE\"(\"ID\" INT,\"NAME\" VARCHAR(2000),\"PRICE\" FLOAT)"))) {
    Die("create", SQL_HANDLE_STMT, stmt);
  }
  const auto start = std::chrono::steady_clock::now();
  for (long i = 0; i < rows; ++i) {
    const std::string n = std::to_string(i);
    if (!Ok(exec("INSERT INTO \"BENCH_BARE\" VALUES('" + n + "', 'row number " + n + "', '" + n + ".25')"))) {
      Die("insert", SQL_HANDLE_STMT, stmt);
    }
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  exec("DROP TABLE \"BENCH_BARE\"");
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
  SQLDisconnect(dbc);
  SQLFreeHandle(SQL_HANDLE_DBC, dbc);
  SQLFreeHandle(SQL_HANDLE_ENV, env);
  std::printf("%.4f\n", took.count());
  return 0;
}
