#pragma once

namespace cli {

/// True when the program was started with arguments: it then runs one command without
/// windows instead of opening them.
bool WantsCommandLine(int argc, char** argv);

/// Runs the command of the arguments and returns the exit status: 0 when every statement
/// succeeded (and verification found no difference), 1 when a failure was reported or a
/// value differs, 2 for a usage error. Needs no display: nothing of the window system runs.
/// 128 + the signal's number when SIGINT or SIGTERM ended a copy early (the tables done so
/// far summed up). Output that could not be written makes a status of 0 a 1.
int RunCommandLine(int argc, char** argv);

/// True when the windows can open: a display, or a Qt platform chosen by hand.
bool HasDisplay();
/// Says that the windows need a display and where the commands are told; returns 2.
int NoDisplay();

}  // namespace cli
