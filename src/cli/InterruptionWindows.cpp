#include <windows.h>

#include <atomic>
#include <csignal>

#include "cli/Interruption.h"
#include "connections/StopRequest.h"

namespace cli {
namespace {

std::atomic<int> g_received{0};

// Ctrl-C and Ctrl-Break are Windows' SIGINT: the run stops and sums up as on Linux, with the
// same status. The console calls this on a thread of its own.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (g_received.exchange(SIGINT) != 0) ::ExitProcess(128 + SIGINT);
  connections::RequestStop();
  return TRUE;
}

}  // namespace

StopOnSignal::StopOnSignal() { ::SetConsoleCtrlHandler(OnConsoleControl, TRUE); }

StopOnSignal::~StopOnSignal() { ::SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

int StopOnSignal::Received() { return g_received; }

// Windows gives a program without standard handles no descriptors that a file could take
// the place of: there is nothing to guard.
void GuardStandardStreams() {}

}  // namespace cli
