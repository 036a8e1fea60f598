#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "connections/FailureReport.h"
#include "connections/Prompter.h"
#include "connections/StepNumber.h"

namespace support {

/// One prompt as it was asked.
struct AskedPrompt {
  enum Kind { Message, Input };
  Kind kind = Message;
  std::string text;  // message text or input prompt
  int style = 0;     // message boxes only
  std::string title;
  std::string defaultText;   // input boxes only
  bool stopOffered = false;  // a failure report with Stop beside OK
};

// A Prompter for tests: a queue of expected prompts, each with its answer. A prompt that
// differs from the next expected one (or comes when none is left) fails the test and is
// answered with OK / empty text, so the code under test still runs to its end.
class ScriptedPrompter : public connections::Prompter {
 public:
  using TextMatch = std::function<bool(const std::string&)>;

  /// Expects a message box with exactly this text, style and title; answers with button.
  ScriptedPrompter& ExpectMsgBox(std::string text, int style, std::string title, int button = connections::vbOK) {
    Expected e;
    e.kind = AskedPrompt::Message;
    e.description = text;
    e.match = [t = std::move(text)](const std::string& s) { return s == t; };
    e.style = style;
    e.title = std::move(title);
    e.button = button;
    m_expected.push_back(std::move(e));
    return *this;
  }

  /// Expects a message box whose text passes match (a driver's description is not known in full).
  ScriptedPrompter& ExpectMsgBoxMatching(std::string description, TextMatch match, int style, std::string title,
                                         int button = connections::vbOK) {
    Expected e;
    e.kind = AskedPrompt::Message;
    e.description = std::move(description);
    e.match = std::move(match);
    e.style = style;
    e.title = std::move(title);
    e.button = button;
    m_expected.push_back(std::move(e));
    return *this;
  }

  /// Expects the failure report of handler at statement number, whatever the description;
  /// button vbStop presses the report's Stop button (failing the test if it offers none).
  ScriptedPrompter& ExpectFailureReport(const std::string& handler, int statementNumber,
                                        int button = connections::vbOK) {
    const std::string where =
        "\r\n" + connections::ProcedureTag(handler) + "at line " + std::to_string(statementNumber) + "\r\r";
    return ExpectMsgBoxMatching(
        "failure report of " + handler + " at line " + std::to_string(statementNumber),
        [where](const std::string& s) { return s.find(where) != std::string::npos; },
        connections::vbOKOnly | connections::vbExclamation, connections::kFailureReportTitle, button);
  }

  /// Expects the failure report with this exact description.
  ScriptedPrompter& ExpectFailureReport(const std::string& description, const std::string& handler,
                                        int statementNumber) {
    return ExpectMsgBox(connections::FailureReportText(description, handler, statementNumber, nullptr),
                        connections::vbOKOnly | connections::vbExclamation, connections::kFailureReportTitle);
  }

  /// Expects an input box; answers with text (empty text = cancelled).
  ScriptedPrompter& ExpectInputBox(std::string prompt, std::string title, std::string defaultText, std::string answer) {
    Expected e;
    e.kind = AskedPrompt::Input;
    e.description = prompt;
    e.match = [t = std::move(prompt)](const std::string& s) { return s == t; };
    e.title = std::move(title);
    e.defaultText = std::move(defaultText);
    e.answer = std::move(answer);
    m_expected.push_back(std::move(e));
    return *this;
  }

  /// Calls observer with every prompt as it is asked (e.g. to look at the pointer state then).
  void OnPrompt(std::function<void(const AskedPrompt&)> observer) { m_observer = std::move(observer); }

  /// Lets prompts come that were not scripted (recorded, answered OK / empty) without failing.
  void AllowUnscripted(bool allow = true) { m_allowUnscripted = allow; }

  // Each question is matched as the window draws it.
  bool AskOverwrite(const std::string& table, connections::TableSide) override {
    const connections::MessageBoxTexts box = connections::OverwriteBox(table);
    return Message(box.text, box.style, box.title, false) == connections::vbYes;
  }
  connections::AfterFailure ReportFailure(const connections::FailureReport& report, bool stopOffered) override {
    m_failures.push_back(report);
    const connections::MessageBoxTexts box = connections::FailureBox(report);
    return Message(box.text, box.style, box.title, stopOffered) == connections::vbStop
               ? connections::AfterFailure::Stop
               : connections::AfterFailure::GoOn;
  }
  void Tell(const std::string& text) override {
    const connections::MessageBoxTexts box = connections::TellBox(text);
    Message(box.text, box.style, box.title, false);
  }
  std::string AskText(const std::string& prompt, const std::string& defaultText) override {
    return InputBox(prompt, {}, defaultText);
  }
  void Began(int step) override { m_steps.push_back(step); }

  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& defaultText) {
    m_asked.push_back({AskedPrompt::Input, prompt, 0, title, defaultText});
    if (m_observer) m_observer(m_asked.back());
    Expected* e = Next(AskedPrompt::Input, prompt, title);
    if (e == nullptr) return {};
    EXPECT_EQ(defaultText, e->defaultText) << "default text of input box " << Printable(prompt);
    std::string answer = e->answer;
    m_expected.pop_front();
    return answer;
  }

  /// Every failure reported so far, as the handler told it.
  const std::vector<connections::FailureReport>& Failures() const { return m_failures; }
  /// Every prompt asked so far, in order.
  const std::vector<AskedPrompt>& Asked() const { return m_asked; }
  /// The message box texts asked so far, in order.
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& p : m_asked)
      if (p.kind == AskedPrompt::Message) texts.push_back(p.text);
    return texts;
  }
  std::size_t Remaining() const { return m_expected.size(); }

  /// Fails the test when a scripted prompt was never asked, or when a command's step numbers
  /// did not follow the order its steps ran in.
  void ExpectAllUsed() const {
    for (const auto& e : m_expected)
      ADD_FAILURE() << "scripted " << (e.kind == AskedPrompt::Message ? "message box" : "input box")
                    << " never asked: " << Printable(e.description);
    ExpectStepsNumberedInRunningOrder();
  }

  // A report names its step by number, so numbers follow the steps as they are written and
  // run: a step met for the first time bears a higher number than the step just before it (a
  // loop or a skipped branch goes back only to steps it has met). A step 100 begins a command.
  void ExpectStepsNumberedInRunningOrder() const {
    std::set<int> met;
    for (std::size_t i = 0; i < m_steps.size(); ++i) {
      const int step = m_steps[i];
      if (step == connections::StepNumber::kFirst) met.clear();
      if (step % 2 != 0 || step < connections::StepNumber::kFirst)
        ADD_FAILURE() << "step " << step << " is not one of 100, 102, ...";
      if (met.insert(step).second && i > 0 && step != connections::StepNumber::kFirst && step <= m_steps[i - 1])
        ADD_FAILURE() << "step " << step << " first ran after step " << m_steps[i - 1];
    }
  }

  /// Shows "\r" and "\n" so that line breaks in failure output are readable.
  static std::string Printable(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '\r')
        out += "\\r";
      else if (c == '\n')
        out += "\\n";
      else
        out += c;
    }
    return out;
  }

 private:
  struct Expected {
    AskedPrompt::Kind kind = AskedPrompt::Message;
    std::string description;
    TextMatch match;
    int style = 0;
    std::string title;
    std::string defaultText;
    int button = connections::vbOK;
    std::string answer;
  };

  int Message(const std::string& text, int style, const std::string& title, bool stopOffered) {
    m_asked.push_back({AskedPrompt::Message, text, style, title, {}, stopOffered});
    if (m_observer) m_observer(m_asked.back());
    Expected* e = Next(AskedPrompt::Message, text, title);
    if (e == nullptr) return connections::vbOK;
    EXPECT_EQ(style, e->style) << "style of message box " << Printable(text);
    const int button = e->button;
    m_expected.pop_front();
    if (button == connections::vbStop && !stopOffered) {
      ADD_FAILURE() << "Stop scripted, but the box offers no Stop: " << Printable(text);
      return connections::vbOK;
    }
    return button;
  }

  Expected* Next(AskedPrompt::Kind kind, const std::string& text, const std::string& title) {
    const char* what = kind == AskedPrompt::Message ? "message box" : "input box";
    if (m_expected.empty()) {
      if (!m_allowUnscripted) ADD_FAILURE() << "unexpected " << what << ": " << Printable(text);
      return nullptr;
    }
    Expected& e = m_expected.front();
    if (e.kind != kind || !e.match(text) || e.title != title) {
      if (!m_allowUnscripted)
        ADD_FAILURE() << "unexpected " << what << ": " << Printable(text) << " (title \"" << title
                      << "\")\n  expected: " << Printable(e.description) << " (title \"" << e.title << "\")";
      return nullptr;
    }
    return &e;
  }

  std::deque<Expected> m_expected;
  std::vector<AskedPrompt> m_asked;
  std::vector<connections::FailureReport> m_failures;
  bool m_allowUnscripted = false;
  std::function<void(const AskedPrompt&)> m_observer;
  std::vector<int> m_steps;  // every step begun, in order
};

}  // namespace support
