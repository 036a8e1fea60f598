#pragma once

#include <string>

#include "connections/Prompter.h"

namespace cli {

// What the run knows that explains a failure better than the driver's words.
struct HintFacts {
  bool noPassword = false;        // neither the profile nor TESSELBY_PASSWORD gave one
  bool noFoxProLocation = false;  // neither the profile nor --folder/--dbc named one
  std::string oracleDriver;       // the ODBC driver's name, or
  std::string oracleDsn;          // the data source used in its place
  std::string oracleServer;
};

/// The advice for a failure, or empty text when none is known.
std::string HintFor(const connections::FailureReport& report, const HintFacts& facts);

/// The text with control bytes and bytes outside valid UTF-8 written as \xNN (line breaks
/// and tabs too, unless keepLines), cut after about limit bytes with the full length said.
std::string Readable(const std::string& text, std::size_t limit, bool keepLines = false);

/// A failure report as the terminal shows it: "tesselby: " and the failure text, the statement
/// (cut and escaped) and the hint; the procedure tag and the support lines are the window's.
std::string TerminalReport(const connections::FailureReport& report, const std::string& hint);

}  // namespace cli
