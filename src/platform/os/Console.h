#pragma once

#include <string>
#include <vector>

namespace os {

// What the command line needs from the system's console; one implementation per system.

enum class StandardStream { Input, Error };

/// True when the stream is a terminal (a console window on Windows), not a file or pipe.
bool IsTerminal(StandardStream stream);

/// The program's arguments as UTF-8. On Windows they are read as UTF-16 from the system, so
/// that names outside the ANSI code page arrive whole.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

/// Makes the standard streams fit for the program's UTF-8 text: on a Windows console they
/// write through the console's Unicode calls; files and pipes get the UTF-8 bytes.
void PrepareConsoleText();

/// 1 for a yes, 0 for a no in the user's language (English y/n at least), -1 for neither.
int AnswerMeaning(const std::string& answer);

/// Asks on standard error for the password and reads it from standard input with the
/// terminal's echo off; empty when none is typed.
std::string AskPasswordWithoutEcho(const std::string& prompt);

}  // namespace os
