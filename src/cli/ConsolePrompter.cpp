#include "cli/ConsolePrompter.h"

#include "connections/FailureReport.h"

namespace cli {

std::string TerminalLines(const std::string& text) {
  std::string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      lines += text[i];
    } else {
      lines += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
  }
  return lines;
}

ConsolePrompter::ConsolePrompter(std::istream& in, std::ostream& err, Overwrite overwrite, bool confirm,
                                 std::string inputAnswer, ConsoleProgress* progress)
    : m_in(in),
      m_err(err),
      m_overwrite(overwrite),
      m_confirm(confirm),
      m_inputAnswer(std::move(inputAnswer)),
      m_progress(progress) {}

bool ConsolePrompter::AskYesNo(const std::string& text) {
  if (m_progress != nullptr) m_progress->ClearLine();
  for (;;) {
    m_err << TerminalLines(text) << " [y/n] " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer)) {
      m_err << "\n";
      return false;
    }
    if (answer == "y" || answer == "yes" || answer == "Y") return true;
    if (answer == "n" || answer == "no" || answer == "N") return false;
  }
}

int ConsolePrompter::MsgBox(const std::string& text, int style, const std::string& title) {
  if ((style & connections::vbYesNo) == connections::vbYesNo) {
    bool yes = m_confirm;
    if (title == "Overwrite?") {
      yes = m_overwrite == Overwrite::Yes || (m_overwrite == Overwrite::Ask && AskYesNo(text));
    }
    return yes ? connections::vbYes : connections::vbNo;
  }
  // A failure report, or a command's own message ("Please select a table"): either way
  // the command did not do all it was asked to.
  if (m_progress != nullptr) {
    if (title == connections::kFailureReportTitle) {
      m_progress->FailureShown();
    } else {
      m_progress->ClearLine();
    }
  }
  ++m_reports;
  m_err << TerminalLines(text) << "\n\n" << std::flush;
  return connections::vbOK;
}

std::string ConsolePrompter::InputBox(const std::string&, const std::string&, const std::string&) {
  return m_inputAnswer;
}

}  // namespace cli
