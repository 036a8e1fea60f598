#pragma once

#include <optional>
#include <string>

#include "connections/NameRules.h"

namespace connections {

// The answers the handlers keep in their own variables keep the numeric values the program
// was written with.
enum MsgBoxAnswer : int { vbOK = 1, vbStop = 3, vbYes = 6, vbNo = 7 };

// A failure of one numbered statement of a running command, as its report tells it.
struct FailureReport {
  std::string procedure;  // the handler, e.g. "Form2.PushButton5_Click"
  int step = 0;           // the statement's number
  std::string description;
  long nativeCode = 0;                   // the database's own error number; 0 when it gave none
  std::string sqlState;                  // empty for a failure that did not come from ODBC
  std::optional<std::string> statement;  // the statement being run, for the two transfers
  std::string hint;                      // advice the reporter knows better than the driver's words
};

enum class AfterFailure { GoOn, Stop };

// The one seam for every question a command asks: what the command means, not how it is
// drawn. The windows render each as the box they have always shown (see PromptBoxes.h);
// the command line answers from its options and the terminal; tests script the answers.
class Prompter {
 public:
  virtual ~Prompter() = default;
  /// Whether the existing table on side may be replaced.
  virtual bool AskOverwrite(const std::string& table, TableSide side) = 0;
  /// Reports a failure; with stopOffered the user may end the command (Stop), else it goes on.
  virtual AfterFailure ReportFailure(const FailureReport& report, bool stopOffered) = 0;
  /// A message the user acknowledges ("Please select a table").
  virtual void Tell(const std::string& text) = 0;
  /// The typed text, or empty text when cancelled.
  virtual std::string AskText(const std::string& prompt, const std::string& defaultText) = 0;
  /// The command begins its numbered step: what a log or a test follows the command's course by.
  virtual void Began(int step) { (void)step; }
};

}  // namespace connections
