#include "cli/ConsoleProgress.h"

#include <cstdio>

namespace cli {
namespace {

constexpr double kRedrawSeconds = 0.1;

std::string Clock(double seconds) {
  const long whole = static_cast<long>(seconds + 0.5);
  char text[32];
  if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  }
  return text;
}

}  // namespace

std::string ProgressText(int table, int tableCount, const std::string& name, long done, long total,
                         double elapsedSeconds) {
  std::string text = "table " + std::to_string(table) + " of " + std::to_string(tableCount) + ": " + name + "  " +
                     std::to_string(done) + (total > 0 ? " of " + std::to_string(total) : std::string()) + " rows";
  // Before a second's worth of rows, or without a row count, a rate or time left would be a guess.
  if (elapsedSeconds >= 1.0 && done > 0) {
    const double rate = static_cast<double>(done) / elapsedSeconds;
    text += "  " + std::to_string(static_cast<long>(rate + 0.5)) + " rows/s";
    if (total > done) text += "  " + Clock(static_cast<double>(total - done) / rate) + " left";
  }
  return text;
}

std::string TableStatus(const TableTally& tally, bool interrupted) {
  if (tally.notCreated) return "not created";
  if (interrupted && tally.rowsRead < tally.rowCount) return "partial";
  if (tally.failedStatements > 0) return "failed";
  return "copied";
}

double ConsoleProgress::SteadySeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

ConsoleProgress::ConsoleProgress(std::ostream& terminal, bool show, int tableCount, Clock clock)
    : m_terminal(terminal), m_show(show), m_tableCount(tableCount), m_clock(std::move(clock)) {}

void ConsoleProgress::AddTally(const std::string& source, const std::string& target, long rowCount) {
  TableTally tally;
  tally.source = source;
  tally.target = target;
  tally.rowCount = rowCount;
  tally.failedStatements = m_pendingFailures;  // the reports before a table's rows are its own
  m_pendingFailures = 0;
  m_tables.push_back(std::move(tally));
}

void ConsoleProgress::TableStarted(const std::string& source, const std::string& target, long rowCount) noexcept {
  AddTally(source, target, rowCount);
  m_inTable = true;
  m_started = m_clock();
  Draw(true);
}

void ConsoleProgress::RowSent(bool succeeded) noexcept {
  if (!m_inTable) return;
  TableTally& tally = m_tables.back();
  if (succeeded) {
    ++tally.rowsWritten;
  } else {
    tally.failedRows.push_back(tally.rowsRead);
  }
  ++tally.rowsRead;
  Draw(false);
}

void ConsoleProgress::TableNotCreated(long rowsNotSent) noexcept {
  if (!m_inTable) return;
  m_tables.back().notCreated = true;
  m_tables.back().rowsNotSent = rowsNotSent;
}

void ConsoleProgress::TableSkipped(const std::string& source) noexcept {
  // Its reports would otherwise be counted against the next table.
  if (m_inTable || m_pendingFailures == 0) return;
  AddTally(source, source, 0);
  m_tables.back().notCreated = true;
}

void ConsoleProgress::Note(const std::string& text) noexcept {
  ClearLine();
  m_terminal << text << "\n";
}

void ConsoleProgress::ValuesRounded(long count) noexcept {
  if (m_inTable) m_tables.back().valuesRounded += count;
}

void ConsoleProgress::TableEnded() noexcept {
  if (!m_inTable) return;
  TableTally& tally = m_tables.back();
  tally.seconds = m_clock() - m_started;
  m_inTable = false;
  ClearLine();
  if (tally.failedStatements > m_maxReports) {
    m_terminal << tally.target << ": " << tally.failedStatements - m_maxReports
               << " more failure reports not printed\n\n"
               << std::flush;
  }
}

bool ConsoleProgress::FailureShown() {
  ClearLine();
  const int shown = m_inTable ? ++m_tables.back().failedStatements : ++m_pendingFailures;
  return shown <= m_maxReports;
}

void ConsoleProgress::ClearLine() {
  if (!m_lineShown) return;
  m_terminal << "\r\033[K" << std::flush;
  m_lineShown = false;
}

void ConsoleProgress::Draw(bool force) {
  if (!m_show || !m_inTable) return;
  const double now = m_clock();
  if (!force && now - m_lastDrawn < kRedrawSeconds) return;
  m_lastDrawn = now;
  const TableTally& tally = m_tables.back();
  m_terminal << "\r\033[K"
             << ProgressText(static_cast<int>(m_tables.size()), m_tableCount, tally.target, tally.rowsRead,
                             tally.rowCount, now - m_started)
             << std::flush;
  m_lineShown = true;
}

}  // namespace cli
