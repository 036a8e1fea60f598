#include <iostream>

#include "cli/CommandLine.h"

// The program of a build without windows (TESSELBY_GUI=OFF): the commands only.
int main(int argc, char** argv) {
  if (cli::WantsCommandLine(argc, argv)) return cli::RunCommandLine(argc, argv);
  std::cerr << "tesselby: this build has no windows; the commands run without them: see 'tesselby --help'.\n";
  return 2;
}
