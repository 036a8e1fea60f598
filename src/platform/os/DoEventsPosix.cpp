#include <time.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <vector>

#include "platform/os/DoEvents.h"

namespace os {

namespace {

using Clock = std::chrono::steady_clock;

// The waits between turns of the event loop, from the first yield of a command on. A turn
// of the window's own loop counts too; its idle wait for the next event does not.
class EventGaps {
 public:
  static EventGaps* Instance() {
    static EventGaps* const gaps = std::getenv("TESSELBY_EVENT_GAPS") != nullptr ? new EventGaps : nullptr;
    return gaps;
  }

  void TurnStarts(Clock::time_point now) {
    if (lastTurnEnd_ && !yielding_)
      gapsMs_.push_back(std::chrono::duration<double, std::milli>(now - *lastTurnEnd_).count());
  }
  void TurnEnds(Clock::time_point now) { lastTurnEnd_ = now; }
  // Our own turn: the loop's signals during it are part of it.
  void Yield() {
    TurnStarts(Clock::now());
    yielding_ = true;
    QCoreApplication::processEvents();
    yielding_ = false;
    TurnEnds(Clock::now());
  }
  void Idle() { lastTurnEnd_.reset(); }

  void WatchWindowLoop() {
    if (watching_) return;
    auto* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher == nullptr) return;
    watching_ = true;
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [this] {
      if (!yielding_) Idle();
    });
    QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [this] {
      if (yielding_) return;
      const auto now = Clock::now();
      TurnStarts(now);
      TurnEnds(now);
    });
  }

 private:
  EventGaps() {
    std::atexit([] { Instance()->Print(); });
  }

  void Print() {
    if (gapsMs_.empty()) return;
    std::vector<double> sorted = gapsMs_;
    std::sort(sorted.begin(), sorted.end());
    const double p99 = sorted[std::min(sorted.size() - 1, sorted.size() * 99 / 100)];
    std::fprintf(stderr, "event loop: %zu turns, longest gap %.1f ms, 99th percentile %.1f ms\n", sorted.size(),
                 sorted.back(), p99);
  }

  std::optional<Clock::time_point> lastTurnEnd_;
  std::vector<double> gapsMs_;
  bool watching_ = false;
  bool yielding_ = false;
};

// Milliseconds on the coarse monotonic clock (a few ms resolution): the transfers ask
// once per value, and reading the precise clock was a measurable share of their own work.
std::int64_t CoarseMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

void DoEvents() {
  static std::int64_t last = std::numeric_limits<std::int64_t>::min() / 2;
  const std::int64_t now = CoarseMilliseconds();
  if (now - last < 10) return;
  last = now;
  if (QCoreApplication::instance() == nullptr) return;
  EventGaps* gaps = EventGaps::Instance();
  if (gaps == nullptr) {
    QCoreApplication::processEvents();
    return;
  }
  gaps->WatchWindowLoop();
  gaps->Yield();
}

}  // namespace os
