// Writes the benchmark table: <rows> records of 8 columns mixing C, N, D, I, L and M.
//   DbfMake <path.dbf> [rows]        (default 1,000,000)
//   DbfMake --memos <path.dbf> [rows] an 8-memo-column table; prints the append rate
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "platform/foxpro/tables/DbfWriter.h"

namespace {

std::string Name(unsigned n) {
  static const char* kWords[] = {"alder", "birch", "cedar", "dogwood", "elm", "fir", "ginkgo", "hazel"};
  return std::string(kWords[n % 8]) + " " + std::to_string(n % 9973);
}

int MakeMixed(const std::string& path, unsigned rows) {
  foxpro::CreateVfpTable(path, {{"NAME", 'C', 24},
                                {"AMOUNT", 'N', 12, 2},
                                {"BORN", 'D'},
                                {"COUNT", 'I'},
                                {"ACTIVE", 'L'},
                                {"NOTES", 'M'},
                                {"CODE", 'C', 8},
                                {"QTY", 'N', 8}});
  auto appender = foxpro::DbfAppender::Open(path);
  std::vector<ado::Value> row(8);
  for (unsigned n = 0; n < rows; ++n) {
    char amount[32];
    std::snprintf(amount, sizeof amount, "%s%u.%02u", n % 3 ? "" : "-", n % 100000, n % 100);
    row[0] = Name(n);
    row[1] = ado::Decimal{amount};
    row[2] = ado::Date{1950 + static_cast<int>(n % 70), 1 + static_cast<int>(n % 12), 1 + static_cast<int>(n % 28)};
    row[3] = static_cast<std::int64_t>(n) * 7 - 3500000;
    row[4] = n % 2 == 0;
    // Most rows carry a short memo, every tenth none.
    row[5] = n % 10 == 0 ? std::string() : "note for row " + std::to_string(n) + ": " + Name(n * 31);
    row[6] = "K" + std::to_string(n % 100000);
    row[7] = static_cast<std::int64_t>(n % 1000000);
    appender->AppendValues(row);
  }
  appender->Close();
  return 0;
}

int MakeMemos(const std::string& path, unsigned rows) {
  std::vector<foxpro::NewField> fields;
  for (int i = 1; i <= 8; ++i) fields.push_back({"M" + std::to_string(i), 'M'});
  foxpro::CreateVfpTable(path, fields);
  auto appender = foxpro::DbfAppender::Open(path);
  std::vector<std::string> texts(8);
  auto start = std::chrono::steady_clock::now();
  for (unsigned n = 0; n < rows; ++n) {
    for (int i = 0; i < 8; ++i)
      texts[static_cast<std::size_t>(i)] =
          "memo " + std::to_string(i) + " of row " + std::to_string(n) + " " + Name(n + static_cast<unsigned>(i));
    appender->Append(texts);
  }
  appender->Close();
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("appended %u rows of 8 memos in %.2f s: %.0f rows/s\n", rows, seconds, rows / seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    bool memos = argc > 1 && std::string(argv[1]) == "--memos";
    int first = memos ? 2 : 1;
    if (argc <= first) {
      std::fprintf(stderr, "usage: DbfMake [--memos] <path.dbf> [rows]\n");
      return 2;
    }
    unsigned rows = argc > first + 1 ? static_cast<unsigned>(std::strtoul(argv[first + 1], nullptr, 10)) : 1000000u;
    return memos ? MakeMemos(argv[first], rows) : MakeMixed(argv[first], rows);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
}
