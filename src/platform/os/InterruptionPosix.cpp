#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <iostream>

#include "platform/os/Interruption.h"

namespace os {
namespace {

// Set before the handlers are installed, read by them only.
StopOnSignal::Handler g_onFirstSignal = nullptr;

volatile std::sig_atomic_t g_received = 0;

void OnSignal(int number) {
  if (g_received != 0) ::_exit(128 + number);
  g_received = number;
  g_onFirstSignal();
}

struct sigaction g_previousInterrupt {};
struct sigaction g_previousTerminate {};

}  // namespace

StopOnSignal::StopOnSignal(Handler onFirstSignal) {
  g_onFirstSignal = onFirstSignal;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  // The drivers' reads and writes go on as if nothing happened; the trap ends the command.
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &g_previousInterrupt);
  ::sigaction(SIGTERM, &action, &g_previousTerminate);
}

StopOnSignal::~StopOnSignal() {
  ::sigaction(SIGINT, &g_previousInterrupt, nullptr);
  ::sigaction(SIGTERM, &g_previousTerminate, nullptr);
}

int StopOnSignal::Received() { return g_received; }

void GuardStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    // open() takes the lowest free descriptor: this one.
    if (::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY) != fd) continue;
    if (fd == STDOUT_FILENO) std::cout.setstate(std::ios::badbit);
    if (fd == STDERR_FILENO) std::cerr.setstate(std::ios::badbit);
  }
}

}  // namespace os
