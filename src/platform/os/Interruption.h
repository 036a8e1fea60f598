#pragma once

namespace os {

// While it lives, SIGINT and SIGTERM (on Windows Ctrl-C and Ctrl-Break) call onFirstSignal,
// which asks the running command to stop (as the failure report's Stop does): the current row
// finishes, the files are closed and the caller sums up. A second signal ends the program at
// once with 128 + its number.
class StopOnSignal {
 public:
  /// Called from the signal handler (on Windows on a thread of the console's): it may only set a flag.
  using Handler = void (*)() noexcept;

  explicit StopOnSignal(Handler onFirstSignal);
  ~StopOnSignal();
  StopOnSignal(const StopOnSignal&) = delete;
  StopOnSignal& operator=(const StopOnSignal&) = delete;

  /// The first signal received, or 0.
  static int Received();
};

/// Gives file descriptors 0, 1 and 2 a /dev/null when they are closed, so that no file the
/// program opens takes their place. A closed standard output or error leaves its stream
/// failed, which the run's exit status reports.
void GuardStandardStreams();

/// Flushes standard output and error; false when either could not be written.
bool StandardStreamsWritten();

}  // namespace os
