#pragma once

#include <string>

#include "connections/Prompter.h"

namespace connections {

inline constexpr const char* kSupportAddress = "support@quenmark.example";
inline constexpr const char* kFailureReportTitle = "Application Error";

// "in Korvane2021/08/31." + handler + " ", e.g. handler "Form2.PushButton5_Click".
std::string ProcedureTag(const std::string& handler);

// The report text; statement is null for every handler but the two transfers.
std::string FailureReportText(const std::string& description, const std::string& handler, int statementNumber,
                              const std::string* statement);

enum class StopButton { kNone, kOffered };

/// Shows the report; returns vbStop when the user ended the command with the offered Stop
/// button, vbOK otherwise.
int ShowFailureReport(Prompter& prompter, const std::string& description, const std::string& handler,
                      int statementNumber, const std::string* statement, StopButton stop = StopButton::kNone);

}  // namespace connections
