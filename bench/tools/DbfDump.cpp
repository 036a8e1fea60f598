// Prints every live record of a FoxPro table as tab-separated text, each value through the
// program's one value-to-text conversion: the read path of SELECT * without the SQL layer.
//   DbfDump <path.dbf>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/ado/Value.h"
#include "platform/foxpro/tables/DbfReader.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: DbfDump <path.dbf>\n");
    return 2;
  }
  try {
    auto reader = foxpro::DbfReader::Open(argv[1]);
    static char buffer[1 << 20];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    std::string line;
    for (const auto& field : reader->Fields()) line += (line.empty() ? "" : "\t") + field.name;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::vector<ado::Value> row;
    while (reader->Next(row)) {
      line.clear();
      for (std::size_t i = 0; i < row.size(); ++i) {
        if (i != 0) line += '\t';
        ado::AppendValueText(line, row[i]);
      }
      line += '\n';
      if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size())
        throw std::runtime_error("cannot write output");
    }
    if (std::fflush(stdout) != 0) throw std::runtime_error("cannot write output");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
