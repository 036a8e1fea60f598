#include "connections/FailureReport.h"

#include <exception>

#include "platform/ado/Failure.h"

namespace connections {

std::string ProcedureTag(const std::string& handler) { return "in Korvane2021/08/31." + handler + " "; }

std::string FailureReportText(const std::string& description, const std::string& handler, int statementNumber,
                              const std::string* statement) {
  std::string text = description + "\r\n" + ProcedureTag(handler) + "at line " + std::to_string(statementNumber) +
                     "\r\r" + "Please email screenshot of this message to " + kSupportAddress;
  if (statement != nullptr) text += "\r\rsql: " + *statement;
  return text;
}

MessageBoxTexts OverwriteBox(const std::string& table) {
  return {"Would you like to overwrite " + table + "?", vbYesNo | vbDefaultButton1, kOverwriteTitle};
}

MessageBoxTexts FailureBox(const FailureReport& report) {
  const std::string* statement = report.statement ? &*report.statement : nullptr;
  return {FailureReportText(report.description, report.procedure, report.step, statement), vbOKOnly | vbExclamation,
          kFailureReportTitle};
}

MessageBoxTexts TellBox(const std::string& text) { return {text, vbOKOnly, {}}; }

namespace {

int Show(Prompter& prompter, FailureReport report, const std::string* statement, StopButton stop) {
  if (statement != nullptr) report.statement = *statement;
  const AfterFailure after = prompter.ReportFailure(report, stop == StopButton::kOffered);
  return stop == StopButton::kOffered && after == AfterFailure::Stop ? vbStop : vbOK;
}

}  // namespace

int ShowFailureReport(Prompter& prompter, const std::string& description, const std::string& handler,
                      int statementNumber, const std::string* statement, StopButton stop) {
  FailureReport report;
  report.procedure = handler;
  report.step = statementNumber;
  report.description = description;
  return Show(prompter, std::move(report), statement, stop);
}

int ShowFailureReport(Prompter& prompter, const std::exception& failure, const std::string& handler,
                      int statementNumber, const std::string* statement, StopButton stop) {
  FailureReport report;
  report.procedure = handler;
  report.step = statementNumber;
  report.description = failure.what();
  if (const auto* known = dynamic_cast<const ado::Failure*>(&failure)) {
    report.sqlState = known->SqlState();
    report.nativeCode = known->NativeCode();
  }
  return Show(prompter, std::move(report), statement, stop);
}

}  // namespace connections
