#pragma once

#include <csignal>

namespace connections {

// A stop asked for from outside the running command (a signal to the command line). A
// failure trap sees it as if Stop had been pressed on a report: the handler's loops end
// between rows and its closing statements run. Safe to call from a signal handler.
inline volatile std::sig_atomic_t g_stopRequested = 0;

inline void RequestStop() noexcept { g_stopRequested = 1; }
inline bool StopRequested() noexcept { return g_stopRequested != 0; }

}  // namespace connections
