#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <algorithm>
#include <cwchar>
#include <iostream>
#include <streambuf>

#include "platform/ado/Utf.h"
#include "platform/os/Console.h"

namespace os {
namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode) != 0;
}

// The program's UTF-8 written to a console window as UTF-16 (WriteConsoleW), whatever code
// page the console has. A character split between two flushes waits for its last bytes.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return sync() == 0 ? traits_type::not_eof(c) : c;
    pending_.push_back(traits_type::to_char_type(c));
    if (pending_.size() >= 4096 || c == '\n') return sync() == 0 ? c : traits_type::eof();
    return c;
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    pending_.append(text, static_cast<std::size_t>(n));
    if (pending_.size() >= 4096 || pending_.find('\n') != std::string::npos) {
      if (sync() != 0) return 0;
    }
    return n;
  }
  int sync() override {
    const std::size_t whole = WholeCharacters();
    const std::wstring wide = ado::WideString(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    std::size_t done = 0;
    while (done < wide.size()) {
      DWORD written = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      if (!::WriteConsoleW(console_, wide.data() + done, chunk, &written, nullptr) || written == 0) return -1;
      done += written;
    }
    return 0;
  }

 private:
  // The length of pending_ without an unfinished UTF-8 sequence at its end.
  std::size_t WholeCharacters() const {
    std::size_t end = pending_.size();
    std::size_t back = 0;
    while (back < 3 && back < end && (static_cast<unsigned char>(pending_[end - 1 - back]) & 0xC0) == 0x80) ++back;
    if (back == end) return end;
    const auto lead = static_cast<unsigned char>(pending_[end - 1 - back]);
    const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return needed > back + 1 ? end - 1 - back : end;
  }

  HANDLE console_;
  std::string pending_;
};

void WriteToConsole(std::ostream& stream, DWORD which) {
  const HANDLE handle = ::GetStdHandle(which);
  if (!IsConsole(handle)) return;  // a file or pipe gets the UTF-8 bytes as they are
  static ConsoleBuffer* buffers[2] = {};
  ConsoleBuffer*& buffer = buffers[which == STD_OUTPUT_HANDLE ? 0 : 1];
  if (buffer == nullptr) buffer = new ConsoleBuffer(handle);  // lives as long as the streams
  stream.flush();
  stream.rdbuf(buffer);
}

}  // namespace

bool IsTerminal(StandardStream stream) {
  return IsConsole(::GetStdHandle(stream == StandardStream::Input ? STD_INPUT_HANDLE : STD_ERROR_HANDLE));
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  int count = 0;
  wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  if (wide == nullptr) return {argv, argv + argc};
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) arguments.push_back(ado::Utf8FromWide(wide[i], std::wcslen(wide[i])));
  ::LocalFree(wide);
  return arguments;
}

void PrepareConsoleText() {
  // Text that reaches the console through C's stdio too is taken as UTF-8.
  ::SetConsoleOutputCP(CP_UTF8);
  WriteToConsole(std::cout, STD_OUTPUT_HANDLE);
  WriteToConsole(std::cerr, STD_ERROR_HANDLE);
}

int AnswerMeaning(const std::string& answer) {
  if (answer.empty()) return -1;
  if (answer[0] == 'y' || answer[0] == 'Y') return 1;
  if (answer[0] == 'n' || answer[0] == 'N') return 0;
  return -1;
}

std::string AskPasswordWithoutEcho(const std::string& prompt) {
  std::cerr << prompt << std::flush;
  const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
  DWORD saved = 0;
  std::string password;
  if (!IsConsole(input) || !::GetConsoleMode(input, &saved)) {
    std::getline(std::cin, password);
    return password;
  }
  ::SetConsoleMode(input, (saved & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT);
  // Read as UTF-16, so that a password outside the console's code page arrives whole.
  std::wstring line;
  wchar_t chunk[256];
  DWORD got = 0;
  while (::ReadConsoleW(input, chunk, 256, &got, nullptr) && got > 0) {
    line.append(chunk, got);
    if (line.back() == L'\n') break;
  }
  ::SetConsoleMode(input, saved);
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  std::cerr << "\n";
  return ado::Utf8FromWide(line.data(), line.size());
}

}  // namespace os
