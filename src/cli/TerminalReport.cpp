#include "cli/TerminalReport.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ado/Utf.h"

namespace cli {
namespace {

constexpr std::size_t kStatementShown = 300;
constexpr std::size_t kDescriptionShown = 2000;

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The length of the valid UTF-8 sequence of at least two bytes at text[at], or 0.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
  const std::size_t length = ado::Utf8SequenceLength(text, at);
  return length >= 2 ? length : 0;
}

}  // namespace

std::string HintFor(const connections::FailureReport& report, const HintFacts& facts) {
  const std::string& description = report.description;
  if (report.sqlState == "IM002" || Contains(description, "Data source name not found") ||
      Contains(description, "Can't open lib")) {
    const char* folder = std::getenv("ODBCSYSINI");
    return "the ODBC driver \"Microsoft ODBC for Oracle\" is not registered or cannot be loaded; register it in "
           "odbcinst.ini as the README's section \"Connecting to a real Oracle\" shows (ODBCSYSINI " +
           (folder != nullptr ? "is " + std::string(folder) : std::string("is not set: /etc/odbcinst.ini is read")) +
           ")";
  }
  // The ODBC side's failures carry a SQLSTATE; the FoxPro engine's do not.
  const bool fromOdbc = !report.sqlState.empty();
  if (facts.noFoxProLocation && !fromOdbc) {
    return "no FoxPro location: give --folder DIR or --dbc FILE, or save one in the connection window";
  }
  if (facts.noPassword && fromOdbc) {
    return "no password: set TESSELBY_PASSWORD, or save the password in the connection window";
  }
  return {};
}

std::string Readable(const std::string& text, std::size_t limit, bool keepLines) {
  std::string shown;
  std::size_t at = 0;
  while (at < text.size() && shown.size() < limit) {
    const unsigned char byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x20 && byte < 0x7F) {
      shown += text[at++];
    } else if (keepLines && (byte == '\n' || byte == '\t')) {
      shown += text[at++];
    } else if (const std::size_t length = byte >= 0x80 ? Utf8Length(text, at) : 0; length > 0) {
      shown.append(text, at, length);
      at += length;
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      shown += escaped;
      ++at;
    }
  }
  if (at < text.size()) shown += "...(" + std::to_string(text.size()) + " bytes)";
  return shown;
}

std::string TerminalReport(const connections::FailureReport& report, const std::string& hint) {
  const std::string& description = report.description;
  std::string lines;
  for (std::size_t i = 0; i < description.size(); ++i) {  // "\r\n" and lone "\r" as line breaks
    if (description[i] != '\r') {
      lines += description[i];
    } else if (i + 1 >= description.size() || description[i + 1] != '\n') {
      lines += '\n';
    }
  }
  while (!lines.empty() && lines.back() == '\n') lines.pop_back();  // drivers end theirs with blank lines
  std::string shown = Readable(lines, kDescriptionShown, true) + "\n";
  if (report.statement) shown += "sql: " + Readable(*report.statement, kStatementShown) + "\n";
  if (!hint.empty()) shown += "hint: " + hint + "\n";
  return shown;
}

}  // namespace cli
