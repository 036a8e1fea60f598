#pragma once

#include <string>

#include "connections/Prompter.h"

namespace connections {

inline constexpr const char* kSupportAddress = "support@quenmark.example";
inline constexpr const char* kFailureReportTitle = "Application Error";
inline constexpr const char* kOverwriteTitle = "Overwrite?";

// "in Korvane2021/08/31." + handler + " ", e.g. handler "Form2.PushButton5_Click".
std::string ProcedureTag(const std::string& handler);

// The report text; statement is null for every handler but the two transfers.
std::string FailureReportText(const std::string& description, const std::string& handler, int statementNumber,
                              const std::string* statement);

// Message box styles keep the numeric values the program was written with.
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbYesNo = 4,
  vbExclamation = 48,
  vbDefaultButton1 = 0,
};

// A question as the windows draw it: text ("\r\n" and "\r" kept), style and title (empty:
// the application's title).
struct MessageBoxTexts {
  std::string text;
  int style = vbOKOnly;
  std::string title;
};

MessageBoxTexts OverwriteBox(const std::string& table);
MessageBoxTexts FailureBox(const FailureReport& report);
MessageBoxTexts TellBox(const std::string& text);

enum class StopButton { kNone, kOffered };

/// Reports the failure of handler's statement; returns vbStop when the user ended the
/// command with the offered Stop button, vbOK otherwise.
int ShowFailureReport(Prompter& prompter, const std::string& description, const std::string& handler,
                      int statementNumber, const std::string* statement, StopButton stop = StopButton::kNone);

/// The same for a failure the handler caught: its SQLSTATE and native code come along.
int ShowFailureReport(Prompter& prompter, const std::exception& failure, const std::string& handler,
                      int statementNumber, const std::string* statement, StopButton stop);

}  // namespace connections
