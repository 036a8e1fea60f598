#pragma once

#include <exception>
#include <string>
#include <utility>

#include "connections/FailureReport.h"
#include "connections/Prompter.h"

namespace connections {

// The failure trap of one guarded handler. Each numbered statement of the handler runs
// through Step (or Test, for the test of a branch); a failure shows the report with that
// number and the handler goes on with the statement after it. Numbers are fixed per
// written statement (100, 102, ...), so a statement inside a loop keeps its number.
class FailureTrap {
 public:
  FailureTrap(Prompter& prompter, std::string handler, const std::string* statement = nullptr)
      : prompter_(prompter), handler_(std::move(handler)), statement_(statement) {}

  template <class F>
  void Step(int number, F&& statement) {
    try {
      std::forward<F>(statement)();
    } catch (const std::exception& failure) {
      Report(number, failure.what());
    }
  }

  // The test of a branch: a failing test goes on inside the branch, as if it had been met.
  template <class F>
  bool Test(int number, F&& condition) {
    try {
      return static_cast<bool>(std::forward<F>(condition)());
    } catch (const std::exception& failure) {
      Report(number, failure.what());
      return true;
    }
  }

  // A value the next statements use (a loop bound, a count); a failure gives fallback.
  template <class T, class F>
  T Value(int number, T fallback, F&& expression) {
    try {
      return std::forward<F>(expression)();
    } catch (const std::exception& failure) {
      Report(number, failure.what());
      return fallback;
    }
  }

  // A counted loop "For i = first To last Step step" whose set-up (reading the bounds) is
  // statement number. A failing set-up goes on with the body, once, with the counter at its
  // initial value 0; a failure inside the body is the body's own steps' business.
  template <class Bounds, class Body>
  void For(int number, Bounds&& bounds, int step, Body&& body) {
    using Range = decltype(std::forward<Bounds>(bounds)());
    using Counter = typename Range::first_type;
    Range range{};
    try {
      range = std::forward<Bounds>(bounds)();
    } catch (const std::exception& failure) {
      Report(number, failure.what());
      body(Counter{});
      return;
    }
    for (Counter i = range.first; step > 0 ? i <= range.second : i >= range.second; i += step) body(i);
  }

  const std::string& Handler() const { return handler_; }

 private:
  void Report(int number, const char* description) {
    ShowFailureReport(prompter_, description, handler_, number, statement_);
  }

  Prompter& prompter_;
  std::string handler_;
  const std::string* statement_;
};

}  // namespace connections
