#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <iostream>

#include "platform/os/Console.h"

namespace os {

bool IsTerminal(StandardStream stream) {
  return ::isatty(stream == StandardStream::Input ? STDIN_FILENO : STDERR_FILENO) == 1;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsoleText() {}

int AnswerMeaning(const std::string& answer) { return ::rpmatch(answer.c_str()); }

std::string AskPasswordWithoutEcho(const std::string& prompt) {
  std::cerr << prompt << std::flush;
  termios saved{};
  const bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (quiet) {
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  }
  std::string password;
  std::getline(std::cin, password);
  if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  std::cerr << "\n";
  return password;
}

}  // namespace os
