#include "cli/ConsolePrompter.h"

#include "connections/FailureReport.h"
#include "platform/os/Console.h"

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

ConsolePrompter::ConsolePrompter(std::istream& in, std::ostream& err, Overwrite overwrite, std::string inputAnswer,
                                 ConsoleProgress* progress)
    : m_in(in), m_err(err), m_overwrite(overwrite), m_inputAnswer(std::move(inputAnswer)), m_progress(progress) {}

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
    const int meaning = start == std::string::npos ? -1 : os::AnswerMeaning(answer.substr(start));
    if (meaning >= 0) return meaning == 1;
  }
}

bool ConsolePrompter::AskOverwrite(const std::string& table, connections::TableSide) {
  // Input that ends before an answer is no one's choice, like no --overwrite at all.
  const std::optional<bool> answer = m_overwrite == Overwrite::Ask ? Answer(connections::OverwriteBox(table).text)
                                                                   : std::optional<bool>(m_overwrite == Overwrite::Yes);
  if (m_overwrite == Overwrite::Default || !answer) m_keptUnasked.push_back(table);
  return answer.value_or(false);
}

// A failure report, or a command's own message ("Please select a table"): either way the
// command did not do all it was asked to.
connections::AfterFailure ConsolePrompter::ReportFailure(const connections::FailureReport& report, bool) {
  ++m_reports;
  if (m_progress != nullptr && !m_progress->FailureShown()) return connections::AfterFailure::GoOn;  // counted
  m_err << TerminalReport(report, report.hint.empty() ? HintFor(report, m_facts) : report.hint) << "\n" << std::flush;
  return connections::AfterFailure::GoOn;
}

void ConsolePrompter::Tell(const std::string& text) {
  ++m_reports;
  if (m_progress != nullptr) m_progress->ClearLine();
  m_err << "tesselby: " << TerminalLines(text) << "\n\n" << std::flush;  // on the terminal, a failure too
}

std::string ConsolePrompter::AskText(const std::string&, const std::string&) { return m_inputAnswer; }

}  // namespace cli
