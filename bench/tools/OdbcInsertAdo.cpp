// 10,000 single-row INSERTs through the data access layer (the per-row path of the
// FoxPro-to-Oracle transfer). Prints the seconds the INSERTs took.
//   OdbcInsertAdo "<connection string>" [rows]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "BenchSupport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/odbc/Provider.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s \"<connection string>\" [rows]\n", argv[0]);
    return 2;
  }
  const long rows = argc > 2 ? std::atol(argv[2]) : 10000;
  try {
    odbc::RegisterOdbcProvider();
    ado::Connection connection;
    connection.CursorLocation = 2;
    bench::OpenWithTimeouts(connection, argv[1]);
    try {
      connection.Execute("DROP TABLE \"BENCH_ADO\"");
    } catch (const ado::Failure&) {
      // First run: nothing to drop.
    }
    connection.Execute("CREATE TABLE \"BENCH_ADO\"(\"ID\" INT,\"NAME\" VARCHAR(2000),\"PRICE\" FLOAT)");
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < rows; ++i) {
      const std::string n = std::to_string(i);
      connection.Execute("INSERT INTO \"BENCH_ADO\" VALUES('" + n + "', 'row number " + n + "', '" + n + ".25')");
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    connection.Execute("DROP TABLE \"BENCH_ADO\"");
    connection.Close();
    std::printf("%.4f\n", took.count());
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}
