// Peak memory of a client-side recordset over a whole table, the way the Oracle-to-FoxPro
// transfer opens it. Creates a table of [rows] rows on the server, opens it, then reports
// the rows' text size (every value through the standard conversion) and how much the
// process's peak resident size grew while the recordset was opened and read.
//   OdbcFetchMemory "<connection string>" [rows]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Value.h"
#include "platform/odbc/Provider.h"

namespace {}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s \"<connection string>\" [rows]\n", argv[0]);
    return 2;
  }
  const long rows = argc > 2 ? std::atol(argv[2]) : 1000000;
  try {
    odbc::RegisterOdbcProvider();
    {
      ado::Connection setup;
      setup.Open(argv[1]);
      try {
        setup.Execute("DROP TABLE \"BENCH_FETCH\"");
      } catch (const ado::Failure&) {
        // First run: nothing to drop.
      }
      setup.Execute(
          "CREATE TABLE \"BENCH_FETCH\"(\"ID\" INT,\"NAME\" VARCHAR(2000),\"PRICE\" FLOAT,\"CODE\" VARCHAR(20))");
      setup.Execute(
          "INSERT INTO \"BENCH_FETCH\" SELECT g, 'customer name number ' || g, g + 0.25, 'C' || (g % 997) "
          "FROM generate_series(1, " +
          std::to_string(rows) + ") g");
    }
    ado::Connection connection;
    connection.CursorLocation = ado::adUseClient;
    bench::OpenWithTimeouts(connection, argv[1]);
    const long baseKb = bench::StatusKb("VmRSS");
    const auto start = std::chrono::steady_clock::now();
    ado::Recordset rs;
    rs.Open("SELECT * FROM \"BENCH_FETCH\"", connection);
    const std::chrono::duration<double> openTook = std::chrono::steady_clock::now() - start;
    const long count = rs.RecordCount();
    std::size_t textBytes = 0;
    for (long r = 0; r < count; ++r) {
      for (int f = 0; f < rs.FieldCount(); ++f) textBytes += ado::ValueToText(rs.Fields(f).Value).size();
      rs.MoveNext();
    }
    const long peakKb = bench::StatusKb("VmHWM");
    rs.Close();
    connection.Execute("DROP TABLE \"BENCH_FETCH\"");
    connection.Close();
    const double grewBytes = static_cast<double>(peakKb - baseKb) * 1024.0;
    std::printf("rows %ld, text %.1f MB, open %.2fs, peak growth %.1f MB, ratio %.3f (limit 1.5)\n", count,
                static_cast<double>(textBytes) / 1e6, openTook.count(), grewBytes / 1e6,
                grewBytes / static_cast<double>(textBytes));
    return grewBytes <= 1.5 * static_cast<double>(textBytes) ? 0 : 1;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
}
