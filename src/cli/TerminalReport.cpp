#include "cli/TerminalReport.h"

#include <cstdio>
#include <cstdlib>

#include "platform/ado/Utf.h"
#include "platform/odbc/DriverLibrary.h"

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

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string DriverFiles() {
  const char* folder = std::getenv("ODBCSYSINI");
  return folder != nullptr ? std::string(folder) + "/odbcinst.ini (ODBCSYSINI)" : std::string("/etc/odbcinst.ini");
}

// unixODBC says "Can't open lib 'X' : file not found" both for a name it has no driver under
// (X is the name asked for) and for a registered driver whose library, or a library that one
// needs, will not load (X is the library).
std::string LibraryHint(const std::string& library, const HintFacts& facts) {
  if (library == facts.oracleDriver) {
    return "the ODBC driver " + Quoted(library) + " is not registered in " + DriverFiles() +
           "; \"odbcinst -q -d\" lists the drivers unixODBC knows: register the Oracle driver as "
           "/usr/share/doc/tesselby/oracle-setup.md shows, or name a registered one with --driver NAME "
           "(OracleDriver in the profile)";
  }
  if (library.find('/') != std::string::npos && !odbc::DriverFileExists(library)) {
    return "the ODBC driver's library " + library + " does not exist: correct the driver's Driver= line in " +
           DriverFiles();
  }
  // The driver manager's dlopen failed; ours names the file it could not find.
  std::string cause = odbc::DriverLoadFailure(library);
  if (cause.empty()) cause = "a library it needs cannot be loaded";
  return "the ODBC driver's library " + library + " cannot be loaded (" + cause + "): \"ldd " + library +
         "\" shows each library it needs and which is \"not found\"; add the folder holding it (for Oracle's "
         "driver, the Instant Client folder) to LD_LIBRARY_PATH";
}

// What the text of a failure to reach Oracle names as its cause.
std::string OracleReachHint(const std::string& description, const std::string& sqlState, const HintFacts& facts) {
  static const std::string kCannotOpen = "Can't open lib '";
  if (const auto at = description.find(kCannotOpen); at != std::string::npos) {
    const auto start = at + kCannotOpen.size();
    return LibraryHint(description.substr(start, description.find('\'', start) - start), facts);
  }
  if (sqlState == "IM002" || Contains(description, "Data source name not found")) {
    if (facts.oracleDsn.empty()) return LibraryHint(facts.oracleDriver, facts);
    return "the data source " + Quoted(facts.oracleDsn) +
           " is not defined: \"odbcinst -q -s\" lists those unixODBC knows (in ~/.odbc.ini or ODBCINI, and "
           "odbc.ini beside " +
           DriverFiles() + ")";
  }
  if (Contains(description, "ORA-01017")) {
    return "Oracle refused the user name or password: check --user (User in the profile) and TESSELBY_PASSWORD or "
           "the saved password";
  }
  for (const char* code :
       {"ORA-12154", "ORA-12514", "ORA-12541", "could not translate host name", "Connection refused"}) {
    if (Contains(description, code)) {
      return "Oracle's service " + Quoted(facts.oracleServer) +
             " was not found or its listener does not answer: check the server name (a net service name of "
             "tnsnames.ora, or host:port/service), that the listener runs (lsnrctl status), and that TNS_ADMIN "
             "names the folder of tnsnames.ora";
    }
  }
  if (Contains(description, "ORA-00972")) {
    return "a name is longer than this Oracle takes: 30 bytes before Oracle 12.2 (or with COMPATIBLE below 12.2), "
           "128 since; rename the field or table in FoxPro, or copy into a newer Oracle";
  }
  if (Contains(description, "ORA-01704")) {
    return "a text over Oracle's 4,000 bytes cannot be written into a statement: --keep-types binds the values "
           "instead";
  }
  return {};
}

}  // namespace

std::string HintFor(const connections::FailureReport& report, const HintFacts& facts) {
  const std::string& description = report.description;
  if (std::string hint = OracleReachHint(description, report.sqlState, facts); !hint.empty()) return hint;
  // The ODBC side's failures carry a SQLSTATE; the FoxPro engine's do not.
  const bool fromOdbc = !report.sqlState.empty();
  if (facts.noFoxProLocation && !fromOdbc) {
    return "no FoxPro location: give --folder DIR or --dbc FILE, or save one in the connection window";
  }
  if (facts.noPassword && fromOdbc) {
    return "no password: set TESSELBY_PASSWORD, or save the password in the connection window (one kept in the "
           "desktop's keyring is read only in a session where the keyring runs)";
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
  std::string shown = "tesselby: " + Readable(lines, kDescriptionShown, true) + "\n";
  if (report.statement) shown += "sql: " + Readable(*report.statement, kStatementShown) + "\n";
  if (!hint.empty()) shown += "hint: " + hint + "\n";
  return shown;
}

}  // namespace cli
