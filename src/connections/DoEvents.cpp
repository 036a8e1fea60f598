#include "connections/DoEvents.h"

#include <QCoreApplication>
#include <chrono>

namespace connections {

void DoEvents() {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point last{};
  const auto now = Clock::now();
  if (now - last < std::chrono::milliseconds(10)) return;
  last = now;
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

}  // namespace connections
