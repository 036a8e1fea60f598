// The command line and the drivers' failure texts come from outside: parse both.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/TerminalReport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  // NUL separates the arguments, as in the kernel's argument block.
  std::vector<std::string> args;
  std::string::size_type start = 0;
  for (std::string::size_type end; (end = input.find('\0', start)) != std::string::npos; start = end + 1) {
    args.push_back(input.substr(start, end - start));
  }
  args.push_back(input.substr(start));
  try {
    const cli::Arguments parsed = cli::ParseArguments(args);
    if (parsed.maxReports < 0) std::abort();
  } catch (const cli::UsageError&) {
  }
  // Whatever a driver says, the terminal sees printable text only.
  const std::string shown = cli::TerminalReport(input, cli::HintFor(input, {}));
  for (const char c : shown) {
    if (c != '\n' && c != '\t' && static_cast<unsigned char>(c) < 0x20) std::abort();
  }
  return 0;
}
