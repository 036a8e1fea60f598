#pragma once

namespace cli {

/// True when the program was started with arguments: it then runs one command without
/// windows instead of opening them.
bool WantsCommandLine(int argc, char** argv);

/// Runs the command of the arguments and returns the exit status: 0 when every statement
/// succeeded (and verification found no difference), 1 when a failure was reported or a
/// value differs, 2 for a usage error. Builds its own application object, on the
/// offscreen platform, so it needs no display.
int RunCommandLine(int argc, char** argv);

}  // namespace cli
