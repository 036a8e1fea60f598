#include <windows.h>

#include <atomic>
#include <csignal>

#include "platform/os/Interruption.h"

namespace os {
namespace {

// Set before the handlers are installed, read by them only.
StopOnSignal::Handler g_onFirstSignal = nullptr;

std::atomic<int> g_received{0};

// Ctrl-C and Ctrl-Break are Windows' SIGINT: the run stops and sums up as on Linux, with the
// same status. The console calls this on a thread of its own.
BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (g_received.exchange(SIGINT) != 0) ::ExitProcess(128 + SIGINT);
  g_onFirstSignal();
  return TRUE;
}

}  // namespace

StopOnSignal::StopOnSignal(Handler onFirstSignal) {
  g_onFirstSignal = onFirstSignal;
  ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

StopOnSignal::~StopOnSignal() { ::SetConsoleCtrlHandler(OnConsoleControl, FALSE); }

int StopOnSignal::Received() { return g_received; }

// Windows gives a program without standard handles no descriptors that a file could take
// the place of: there is nothing to guard.
void GuardStandardStreams() {}

}  // namespace os
