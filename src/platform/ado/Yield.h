#pragma once

#include <chrono>
#include <future>
#include <utility>

namespace ado {

/// Runs work on a helper thread and calls yield every few milliseconds until it is done, so
/// that a slow login does not freeze the window; without a yield (nullptr), runs it on this
/// thread. What work throws is thrown here.
template <class Work>
auto WhileYielding(void (*yield)(), Work&& work) -> decltype(work()) {
  if (yield == nullptr) return work();
  auto done = std::async(std::launch::async, std::forward<Work>(work));
  while (done.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) yield();
  return done.get();
}

}  // namespace ado
