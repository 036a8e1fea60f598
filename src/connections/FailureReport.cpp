#include "connections/FailureReport.h"

namespace connections {

std::string ProcedureTag(const std::string& handler) { return "in Korvane2021/08/31." + handler + " "; }

std::string FailureReportText(const std::string& description, const std::string& handler, int statementNumber,
                              const std::string* statement) {
  std::string text = description + "\r\n" + ProcedureTag(handler) + "at line " + std::to_string(statementNumber) +
                     "\r\r" + "Please email screenshot of this message to " + kSupportAddress;
  if (statement != nullptr) text += "\r\rsql: " + *statement;
  return text;
}

int ShowFailureReport(Prompter& prompter, const std::string& description, const std::string& handler,
                      int statementNumber, const std::string* statement, StopButton stop) {
  const std::string text = FailureReportText(description, handler, statementNumber, statement);
  if (stop == StopButton::kNone) {
    prompter.MsgBox(text, vbOKOnly | vbExclamation, kFailureReportTitle);
    return vbOK;
  }
  return prompter.MsgBoxWithStop(text, vbOKOnly | vbExclamation, kFailureReportTitle) == vbStop ? vbStop : vbOK;
}

}  // namespace connections
