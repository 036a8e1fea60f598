// Typed values over ODBC, the two halves of a typed copy:
//   OdbcTypedValues "<connection string>" insert [rows]
//     sends rows of (bigint, text, numeric(20,4), timestamp(3)) as typed parameter arrays,
//     then the same rows as text arrays, and prints both rates in rows per second;
//   OdbcTypedValues "<connection string>" read [rows]
//     fills a table (with a long text column) on the server, reads it through a forward-only
//     server-side cursor
//     touching every value, and prints how much the process's peak resident size grew.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "BenchSupport.h"
#include "platform/ado/Connection.h"
#include "platform/ado/Failure.h"
#include "platform/ado/Recordset.h"
#include "platform/ado/Types.h"
#include "platform/ado/Value.h"
#include "platform/odbc/Provider.h"

namespace {

constexpr long kRowsPerArray = 10000;

void Recreate(ado::Connection& connection, const std::string& table, const std::string& moreColumns = "") {
  try {
    connection.Execute("DROP TABLE \"" + table + "\"");
  } catch (const ado::Failure&) {
    // First run: nothing to drop.
  }
  connection.Execute("CREATE TABLE \"" + table +
                     "\"(\"ID\" bigint,\"NAME\" varchar(2000),\"PRICE\" numeric(20,4),\"AT\" timestamp(3)" +
                     moreColumns + ")");
}

double SecondsFor(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void Insert(ado::Connection& connection, long rows) {
  Recreate(connection, "BENCH_TYPED");
  auto arrays = connection.PrepareArrays("INSERT INTO \"BENCH_TYPED\" VALUES(?, ?, ?, ?)", 4);
  if (!arrays) throw ado::Failure("the driver would not prepare the INSERT");
  const double typed = SecondsFor([&] {
    ado::ValueRows values(4);
    for (long i = 0; i < rows; ++i) {
      const ado::Value cells[] = {
          ado::Value(std::int64_t{i}), ado::Value("customer name number " + std::to_string(i)),
          ado::Value(ado::Decimal{std::to_string(i) + ".2500"}),
          ado::Value(ado::DateTime{{2024, 1 + static_cast<int>(i % 12), 1 + static_cast<int>(i % 28)},
                                   13,
                                   5,
                                   9,
                                   static_cast<int>(i % 1000)})};
      for (const ado::Value& cell : cells) values.Add(cell);
      if (values.Rows() == kRowsPerArray || i + 1 == rows) {
        if (!arrays->SendValues(values).empty()) throw ado::Failure("rows were refused");
        values.Clear();
      }
    }
  });
  Recreate(connection, "BENCH_TYPED");
  arrays = connection.PrepareArrays("INSERT INTO \"BENCH_TYPED\" VALUES(?, ?, ?, ?)", 4);
  const double text = SecondsFor([&] {
    ado::TextRows texts(4);
    for (long i = 0; i < rows; ++i) {
      texts.AddText(std::to_string(i));
      texts.AddText("customer name number " + std::to_string(i));
      texts.AddText(std::to_string(i) + ".25");
      texts.AddText("2024-" + std::to_string(1 + i % 12) + "-" + std::to_string(1 + i % 28) + " 13:05:09." +
                    std::to_string(i % 1000));
      if (texts.Rows() == kRowsPerArray || i + 1 == rows) {
        if (!arrays->Send(texts)) throw ado::Failure("an array was refused");
        texts.Clear();
      }
    }
  });
  connection.Execute("DROP TABLE \"BENCH_TYPED\"");
  std::printf("rows %ld, typed arrays %.0f rows/s, text arrays %.0f rows/s\n", rows, rows / typed, rows / text);
}

void Read(ado::Connection& connection, const std::string& connectionString, long rows) {
  // A long text column too: such rows are read one at a time, each value whole.
  Recreate(connection, "BENCH_TYPED_READ", ",\"NOTE\" text");
  connection.Execute(
      "INSERT INTO \"BENCH_TYPED_READ\" SELECT g, 'customer name number ' || g, g + 0.25, "
      "timestamp '2024-01-01 13:05:09.125' + g * interval '1 second', repeat('note ', g % 50) "
      "FROM generate_series(1, " +
      std::to_string(rows) + ") g");
  connection.Close();
  connection.CursorLocation = ado::adUseServer;
  connection.Open(connectionString);
  const long baseKb = bench::StatusKb("VmHWM");
  long count = 0;
  std::size_t digits = 0;
  const double took = SecondsFor([&] {
    ado::Recordset rs;
    rs.Open("SELECT * FROM \"BENCH_TYPED_READ\"", connection);
    for (; !rs.Eof(); rs.MoveNext(), ++count) {
      digits += rs.Fields(2).Value.As<ado::Decimal>().digits.size() + rs.Fields(4).Value.As<std::string>().size();
      if (rs.Fields(3).Value.As<ado::DateTime>().millisecond != 125) throw ado::Failure("a fraction was lost");
    }
  });
  const long peakKb = bench::StatusKb("VmHWM");
  connection.Execute("DROP TABLE \"BENCH_TYPED_READ\"");
  std::printf("rows %ld (%zu digits and note bytes), read %.2fs, %.0f rows/s, peak growth %.1f MB\n", count, digits,
              took, count / took, static_cast<double>(peakKb - baseKb) / 1024.0);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s \"<connection string>\" insert|read [rows]\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[2];
  const long rows = argc > 3 ? std::atol(argv[3]) : 100000;
  try {
    odbc::RegisterOdbcProvider();
    ado::Connection connection;
    bench::OpenWithTimeouts(connection, argv[1]);
    if (mode == "insert") {
      Insert(connection, rows);
    } else if (mode == "read") {
      Read(connection, argv[1], rows);
    } else {
      std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
      return 2;
    }
    connection.Close();
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
  return 0;
}
