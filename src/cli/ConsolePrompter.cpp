#include "cli/ConsolePrompter.h"

#include <stdlib.h>

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

bool ConsolePrompter::AskYesNo(const std::string& text) { return Answer(text).value_or(false); }

std::optional<bool> ConsolePrompter::Answer(const std::string& text) {
  if (m_progress != nullptr) m_progress->ClearLine();
  for (;;) {
    m_err << TerminalLines(text) << " [y/n] " << std::flush;
    std::string answer;
    if (!std::getline(m_in, answer)) {
      m_err << "\n";
      return std::nullopt;
    }
    const auto start = answer.find_first_not_of(" \t");
    const int meaning = start == std::string::npos ? -1 : ::rpmatch(answer.c_str() + start);
    if (meaning >= 0) return meaning == 1;
  }
}

int ConsolePrompter::MsgBox(const std::string& text, int style, const std::string& title) {
  if ((style & connections::vbYesNo) == connections::vbYesNo) {
    bool yes = m_confirm;
    if (title == "Overwrite?") {
      // Input that ends before an answer is no one's choice, like no --overwrite at all.
      const std::optional<bool> answer =
          m_overwrite == Overwrite::Ask ? Answer(text) : std::optional<bool>(m_overwrite == Overwrite::Yes);
      yes = answer.value_or(false);
      if (m_overwrite == Overwrite::Default || !answer) {
        // "Would you like to overwrite NAME?"
        const auto from = text.find("overwrite ");
        m_keptUnasked.push_back(from == std::string::npos ? text : text.substr(from + 10, text.size() - from - 11));
      }
    }
    return yes ? connections::vbYes : connections::vbNo;
  }
  // A failure report, or a command's own message ("Please select a table"): either way
  // the command did not do all it was asked to.
  ++m_reports;
  const bool failure = title == connections::kFailureReportTitle;
  if (m_progress != nullptr) {
    if (failure && !m_progress->FailureShown()) return connections::vbOK;  // counted, not printed
    if (!failure) m_progress->ClearLine();
  }
  m_err << (failure ? TerminalReport(text, HintFor(text, m_facts)) : TerminalLines(text) + "\n") << "\n" << std::flush;
  return connections::vbOK;
}

std::string ConsolePrompter::InputBox(const std::string&, const std::string&, const std::string&) {
  return m_inputAnswer;
}

}  // namespace cli
