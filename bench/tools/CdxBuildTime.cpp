// Times the bulk build of a structural index: an integer candidate key and one character
// tag over a table of <rows> records (default 1,000,000), next to the time writing the rows
// took. Prints seconds.
//   CdxBuildTime [rows] [folder]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <exception>
#include <filesystem>
#include <string>

#include "platform/foxpro/indexes/CdxStructuralIndex.h"
#include "platform/foxpro/tables/DbfWriter.h"

namespace {

// Wall-clock and processor seconds: on a shared machine the second shows the work itself.
struct Stopwatch {
  std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
  std::clock_t cpu = std::clock();
  double Wall() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall).count(); }
  double Cpu() const { return static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC; }
};

}  // namespace

int main(int argc, char** argv) {
  try {
    const unsigned rows = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)) : 1000000u;
    const std::string folder =
        argc > 2 ? argv[2]
                 : (std::filesystem::temp_directory_path() / ("cdxbuild-" + std::to_string(getpid()))).string();
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/keyed.dbf";
    std::filesystem::remove(path);
    std::filesystem::remove(folder + "/keyed.cdx");

    Stopwatch tableTime;
    foxpro::CreateVfpTable(path, {{"ID", 'I'}, {"NAME", 'C', 30}, {"AMOUNT", 'N', 12, 2}});
    auto appender = foxpro::DbfAppender::Open(path);
    std::vector<ado::Value> row(3);
    for (unsigned n = 0; n < rows; ++n) {
      // Keys arrive out of order, as a source table's rows often do.
      row[0] = static_cast<std::int64_t>((n * 7919ull) % rows) + 1;
      row[1] = "customer " + std::to_string((n * 104729ull) % 50021) + " of region " + std::to_string(n % 97);
      row[2] = ado::Decimal{std::to_string(n % 100000) + ".25"};
      appender->AppendValues(row);
    }
    appender->Close();
    appender.reset();
    const double table = tableTime.Wall(), tableCpu = tableTime.Cpu();

    Stopwatch tagTime;
    foxpro::CdxStructuralIndex::AddTag(path, {"ID", "id", foxpro::IndexKind::Candidate}, foxpro::DiskFileSystem(), 30);
    const double first = tagTime.Wall();
    foxpro::CdxStructuralIndex::AddTag(path, {"NAME", "name", foxpro::IndexKind::Regular}, foxpro::DiskFileSystem(),
                                       30);
    const double both = tagTime.Wall(), bothCpu = tagTime.Cpu();

    std::printf("rows %u\ntable written %.2f s (processor %.2f s)\nid tag %.2f s\n", rows, table, tableCpu, first);
    std::printf("both tags %.2f s (processor %.2f s): %.0f%% of the table's time (processor %.0f%%)\n", both, bothCpu,
                100.0 * both / table, 100.0 * bothCpu / tableCpu);
    if (argc <= 2) std::filesystem::remove_all(folder);
    return 0;
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
    return 1;
  }
}
