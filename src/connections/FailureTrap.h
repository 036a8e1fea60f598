#pragma once

#include <exception>
#include <string>
#include <utility>

#include "connections/FailureReport.h"
#include "connections/Prompter.h"
#include "connections/StepNumber.h"
#include "connections/StopRequest.h"
#include "platform/ado/Failure.h"

namespace connections {

// The failure trap of one guarded handler. Each numbered statement of the handler runs
// through Step (or Test, for the test of a branch); a failure shows the report with that
// number and the handler goes on with the statement after it. Numbers are fixed per
// written statement (100, 102, ...), so a statement inside a loop keeps its number.
//
// A command of the tables window offers Stop on its reports (StopButton::kOffered): one
// failing row must not cost the user one report per remaining row. Once Stop is pressed,
// Step, Test, Value and For skip their statements (Test answers false, Value its fallback,
// For ends) and the handler's loops end on Stopped(); only the statements written with
// Closing still run, so the command ends the way its last statements end it.
//
// A command that works table by table may also ask (EndTableOnLostConnection) that a failure
// that took the connection with it ends the current table the same way: every further
// statement of the table would fail alike, one report each. The command then goes on with
// ResumeAfterLostConnection at its next table.
class FailureTrap {
 public:
  FailureTrap(Prompter& prompter, std::string handler, const std::string* statement = nullptr,
              StopButton stop = StopButton::kNone)
      : prompter_(prompter), handler_(std::move(handler)), statement_(statement), stop_(stop) {}

  template <class F>
  void Step(StepNumber number, F&& statement) {
    if (Skipping()) return;
    Run(number, std::forward<F>(statement));
  }

  // A statement that puts things back (pointer, progress bar, recordset, connections, the
  // list entry of a table that exists): it runs also after Stop.
  template <class F>
  void Closing(StepNumber number, F&& statement) {
    Run(number, std::forward<F>(statement));
  }

  // A closing statement that after Stop is needed only when neededAfterStop() holds: a
  // connection or recordset that is open, a table that was created.
  template <class Needed, class F>
  void Closing(StepNumber number, Needed&& neededAfterStop, F&& statement) {
    if (Skipping() && !std::forward<Needed>(neededAfterStop)()) return;
    Run(number, std::forward<F>(statement));
  }

  // The test of a branch: a failing test goes on inside the branch, as if it had been met.
  template <class F>
  bool Test(StepNumber number, F&& condition) {
    if (Skipping()) return false;
    prompter_.Began(number.value);
    try {
      return static_cast<bool>(std::forward<F>(condition)());
    } catch (const std::exception& failure) {
      Report(number, failure);
      return !Skipping();
    }
  }

  // A value the next statements use (a loop bound, a count); a failure gives fallback.
  template <class T, class F>
  T Value(StepNumber number, T fallback, F&& expression) {
    if (Skipping()) return fallback;
    prompter_.Began(number.value);
    try {
      return std::forward<F>(expression)();
    } catch (const std::exception& failure) {
      Report(number, failure);
      return fallback;
    }
  }

  // A counted loop "For i = first To last Step step" whose set-up (reading the bounds) is
  // statement number. A failing set-up goes on with the body, once, with the counter at its
  // initial value 0; a failure inside the body is the body's own steps' business.
  template <class Bounds, class Body>
  void For(StepNumber number, Bounds&& bounds, int step, Body&& body) {
    using Range = decltype(std::forward<Bounds>(bounds)());
    using Counter = typename Range::first_type;
    if (Skipping()) return;
    Range range{};
    prompter_.Began(number.value);
    try {
      range = std::forward<Bounds>(bounds)();
    } catch (const std::exception& failure) {
      Report(number, failure);
      if (!Skipping()) body(Counter{});
      return;
    }
    for (Counter i = range.first; !Skipping() && (step > 0 ? i <= range.second : i >= range.second); i += step) {
      body(i);
    }
  }

  /// The user ended the command with Stop, or a stop was requested from outside; the
  /// latter lets the statements of the current row finish, so only the loops look at it.
  bool Stopped() const { return stopped_ || StopRequested(); }
  const std::string& Handler() const { return handler_; }

  void EndTableOnLostConnection() { endTableOnLost_ = true; }
  /// A lost connection ended the current table (only after EndTableOnLostConnection).
  bool ConnectionLost() const { return lost_; }
  void ResumeAfterLostConnection() { lost_ = false; }
  /// Stopped (also from outside), or the current table ended by a lost connection: its
  /// loops end.
  bool Interrupted() const { return Stopped() || lost_; }

 private:
  // Statements are skipped after Stop or a lost connection; a stop requested from outside
  // lets the current row's statements finish.
  bool Skipping() const { return stopped_ || lost_; }

  template <class F>
  void Run(StepNumber number, F&& statement) {
    prompter_.Began(number.value);
    try {
      std::forward<F>(statement)();
    } catch (const std::exception& failure) {
      Report(number, failure);
    }
  }

  void Report(StepNumber number, const std::exception& failure) {
    // After Stop there is nothing left to stop: the closing statements report with OK only.
    const StopButton offer = stopped_ ? StopButton::kNone : stop_;
    if (ShowFailureReport(prompter_, failure, handler_, number.value, statement_, offer) == vbStop) stopped_ = true;
    if (endTableOnLost_ && dynamic_cast<const ado::ConnectionLost*>(&failure) != nullptr) lost_ = true;
  }

  Prompter& prompter_;
  std::string handler_;
  const std::string* statement_;
  StopButton stop_;
  bool stopped_ = false;
  bool endTableOnLost_ = false;
  bool lost_ = false;
};

}  // namespace connections
