#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/ConsoleProgress.h"
#include "cli/TerminalReport.h"
#include "connections/Prompter.h"

namespace cli {

// The prompts of a command-line run. Failure reports and messages go to standard error,
// one block each: a report with its failure text, statement and hint; the overwrite
// question is answered as --overwrite says (asking on the terminal for "ask"; Default,
// the choice of no one, and input that ends unanswered answer no and keep the table's
// name); the rename's new name comes from the command line.
class ConsolePrompter : public connections::Prompter {
 public:
  ConsolePrompter(std::istream& in, std::ostream& err, Overwrite overwrite, std::string inputAnswer,
                  ConsoleProgress* progress = nullptr);

  bool AskOverwrite(const std::string& table, connections::TableSide side) override;
  connections::AfterFailure ReportFailure(const connections::FailureReport& report, bool stopOffered) override;
  void Tell(const std::string& text) override;
  std::string AskText(const std::string& prompt, const std::string& defaultText) override;

  /// Failure reports and messages written so far; any of them makes the run fail.
  int Reports() const { return m_reports; }
  void SetProgress(ConsoleProgress* progress) { m_progress = progress; }
  void SetHintFacts(const HintFacts& facts) { m_facts = facts; }
  /// The tables kept because no one chose an answer to their overwrite question.
  const std::vector<std::string>& KeptUnasked() const { return m_keptUnasked; }

  /// Asks text on err until the answer on in is yes or no (as rpmatch reads them in the
  /// user's language: "y", "Yes", "n" ...); end of input is no.
  bool AskYesNo(const std::string& text);

 private:
  /// The answer AskYesNo takes; none when the input ends first.
  std::optional<bool> Answer(const std::string& text);

  std::istream& m_in;
  std::ostream& m_err;
  Overwrite m_overwrite;
  std::string m_inputAnswer;
  ConsoleProgress* m_progress;
  int m_reports = 0;
  HintFacts m_facts;
  std::vector<std::string> m_keptUnasked;
};

/// The text with each "\r\n" and lone "\r" made a "\n", as a terminal shows lines.
std::string TerminalLines(const std::string& text);

}  // namespace cli
