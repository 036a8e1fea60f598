#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "cli/Arguments.h"
#include "cli/ConsoleProgress.h"
#include "connections/Prompter.h"

namespace cli {

// The prompts of a command-line run. Failure reports and messages go to standard error,
// one block each, with the window's text; the overwrite question is answered as
// --overwrite says (asking on the terminal for "ask"); the rename's new name and any
// other yes/no question come from the command line.
class ConsolePrompter : public connections::Prompter {
 public:
  /// overwrite must be Yes, No or Ask (Default is resolved by the caller).
  ConsolePrompter(std::istream& in, std::ostream& err, Overwrite overwrite, bool confirm, std::string inputAnswer,
                  ConsoleProgress* progress = nullptr);

  int MsgBox(const std::string& text, int style = connections::vbOKOnly, const std::string& title = {}) override;
  std::string InputBox(const std::string& prompt, const std::string& title = {},
                       const std::string& defaultText = {}) override;

  /// Failure reports and messages written so far; any of them makes the run fail.
  int Reports() const { return m_reports; }
  void SetProgress(ConsoleProgress* progress) { m_progress = progress; }

  /// Asks text on err until the answer on in is yes or no; end of input is no.
  bool AskYesNo(const std::string& text);

 private:
  std::istream& m_in;
  std::ostream& m_err;
  Overwrite m_overwrite;
  bool m_confirm;
  std::string m_inputAnswer;
  ConsoleProgress* m_progress;
  int m_reports = 0;
};

/// The text with each "\r\n" and lone "\r" made a "\n", as a terminal shows lines.
std::string TerminalLines(const std::string& text);

}  // namespace cli
