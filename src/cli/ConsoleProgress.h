#pragma once

#include <chrono>
#include <climits>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "commands/transfer/TransferObserver.h"

namespace cli {

// What one copied table came to.
struct TableTally {
  std::string source, target;
  long rowCount = 0;     // what the source said it holds
  long rowsRead = 0;     // rows the transfer went through
  long rowsWritten = 0;  // rows whose INSERT succeeded
  int failedStatements = 0;
  double seconds = 0;
  std::vector<long> failedRows;  // 0-based source rows whose INSERT failed
  bool notCreated = false;       // its CREATE failed, so its rows were not sent
  long rowsNotSent = 0;
  long valuesRounded = 0;  // values the target's precision changed (rounded by the rule)
};

/// The table's outcome in one word or two: copied, not created, partial (the run was
/// interrupted inside it) or failed (a statement of it failed).
std::string TableStatus(const TableTally& tally, bool interrupted);

/// "table 2 of 5: ORDERS  1200 of 5000 rows  850 rows/s  0:04 left" (no rate or time left
/// before the first second's worth of rows).
std::string ProgressText(int table, int tableCount, const std::string& name, long done, long total,
                         double elapsedSeconds);

// Counts a transfer's tables, rows and failures, and shows the progress line on standard
// error when it is a terminal. Failure reports are attributed to the table they belong to:
// those before a table's rows (its DROP, SELECT or CREATE TABLE) count for that table.
class ConsoleProgress : public transfer::TransferObserver {
 public:
  using Clock = std::function<double()>;  // seconds, rising

  ConsoleProgress(std::ostream& terminal, bool show, int tableCount, Clock clock = SteadySeconds);

  void TableStarted(const std::string& source, const std::string& target, long rowCount) noexcept override;
  void RowSent(bool succeeded) noexcept override;
  void TableNotCreated(long rowsNotSent) noexcept override;
  void TableSkipped(const std::string& source) noexcept override;
  void TableEnded() noexcept override;
  /// Said on the terminal stream at once (values rounded on the way).
  void Note(const std::string& text) noexcept override;
  void ValuesRounded(long count) noexcept override;

  /// Failure reports printed per table; the later ones are only counted.
  void SetMaxReports(int maxReports) { m_maxReports = maxReports; }
  /// A failure report is due: takes the progress line away and counts it. Returns whether
  /// to print it (false once its table has had its share).
  bool FailureShown();
  /// Takes the progress line away (before any other text goes to the terminal).
  void ClearLine();

  const std::vector<TableTally>& Tables() const { return m_tables; }

  static double SteadySeconds();

 private:
  void AddTally(const std::string& source, const std::string& target, long rowCount);
  void Draw(bool force);

  std::ostream& m_terminal;
  bool m_show;
  int m_tableCount;
  Clock m_clock;
  std::vector<TableTally> m_tables;
  bool m_inTable = false;
  int m_pendingFailures = 0;
  int m_maxReports = INT_MAX;
  double m_started = 0;
  double m_lastDrawn = -1;
  bool m_lineShown = false;
};

}  // namespace cli
