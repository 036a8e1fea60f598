#pragma once

#include <string>

#include "cli/Arguments.h"
#include "cli/ConsoleProgress.h"

namespace cli {

/// The summary line of one named table, without the line break. tally is null for a table
/// the run passed over (not copied). Text: "src -> target: r rows read, w written,
/// f failed statements, s s" (then "v values rounded by the rule" when the target's precision
/// changed some, and the status when it is neither copied nor failed); tsv:
/// name, rows read, written, failed (rows not written, or not sent), seconds, status.
std::string SummaryLine(Summary format, const std::string& name, const TableTally* tally, bool interrupted);

/// Seconds with two decimals.
std::string Seconds(double seconds);

}  // namespace cli
