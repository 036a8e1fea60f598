#pragma once

#include <type_traits>

namespace connections {

// The number a failure report gives a handler's step. Each command lists its steps in one
// table, an enum in the order the steps are written and run; the step at position k is
// numbered 100 + 2k, so the numbers follow the steps wherever a step is added or moved.
struct StepNumber {
  static constexpr int kFirst = 100;

  constexpr StepNumber(int number) : value(number) {}  // NOLINT: the windows' handlers number by hand
  template <class Step>
  requires std::is_enum_v<Step>
  constexpr StepNumber(Step step)  // NOLINT: a step of a command's table is its number
      : value(kFirst + 2 * static_cast<int>(step)) {}

  int value;
};

/// A step of a block that its own table lists and that a handler's table places from `first`
/// on (the typed copy, which runs inside either transfer).
template <class Step>
requires std::is_enum_v<Step>
constexpr StepNumber InBlock(StepNumber first, Step step) { return first.value + 2 * static_cast<int>(step); }

}  // namespace connections
