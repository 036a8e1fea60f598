#include "cli/TableSummary.h"

#include <iomanip>
#include <sstream>

namespace cli {

std::string Seconds(double seconds) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(2) << seconds;
  return text.str();
}

std::string SummaryLine(Summary format, const std::string& name, const TableTally* tally, bool interrupted) {
  if (tally == nullptr) return format == Summary::Tsv ? name + "\t0\t0\t0\t0.00\tnot copied" : name + ": not copied";
  const std::string status = TableStatus(*tally, interrupted);
  if (format == Summary::Tsv) {
    const long failed = tally->notCreated ? tally->rowsNotSent : tally->rowsRead - tally->rowsWritten;
    return name + "\t" + std::to_string(tally->rowsRead) + "\t" + std::to_string(tally->rowsWritten) + "\t" +
           std::to_string(failed) + "\t" + Seconds(tally->seconds) + "\t" + status;
  }
  const std::string head = tally->source + " -> " + tally->target + ": ";
  if (tally->notCreated) return head + "not created, " + std::to_string(tally->rowsNotSent) + " rows not sent";
  std::string line = head + std::to_string(tally->rowsRead) + " rows read, " + std::to_string(tally->rowsWritten) +
                     " written, " + std::to_string(tally->failedStatements) + " failed statements, " +
                     Seconds(tally->seconds) + " s";
  if (tally->valuesRounded > 0) line += ", " + std::to_string(tally->valuesRounded) + " values rounded by the rule";
  if (status == "partial") line += ", partial (interrupted)";
  return line;
}

}  // namespace cli
