#pragma once

#include <chrono>
#include <future>
#include <utility>

namespace ado {

/// Called now and then while the data layer waits for a server or reads a whole table, so
/// that the caller's window stays live; nullptr for none.
void SetYield(void (*yield)());

/// The yield set, or nullptr.
void (*CurrentYield())();

/// Runs work on a helper thread and yields every few milliseconds until it is done, so that
/// a slow login does not freeze the window; without a yield set, runs it on this thread.
/// What work throws is thrown here.
template <class Work>
auto WhileYielding(Work&& work) -> decltype(work()) {
  void (*yield)() = CurrentYield();
  if (yield == nullptr) return work();
  auto done = std::async(std::launch::async, std::forward<Work>(work));
  while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) yield();
  return done.get();
}

}  // namespace ado
