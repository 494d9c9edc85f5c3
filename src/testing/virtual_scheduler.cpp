#include "testing/virtual_scheduler.h"

#include <algorithm>
#include <cmath>

namespace vigilix::testing {

using platform::ClockKind;
using platform::Date;

VirtualScheduler::VirtualScheduler(VirtualClock& clock)
    : clock_(clock),
      loop_(clock),
      runLoop_(loop_),
      mainQueue_("main", loop_, [this] { return isMainThread(); }),
      thread_(std::this_thread::get_id()) {
  platform::Clock::setCurrent(&clock_);
  platform::RunLoopPlatform::setCurrent(this);
}

VirtualScheduler::~VirtualScheduler() {
  // Dropped work may hold objects whose destructors still use the platform.
  loop_.discardAll();
  platform::RunLoopPlatform::setCurrent(nullptr);
  platform::Clock::setCurrent(nullptr);
}

bool VirtualScheduler::isMainThread() const {
  if (std::this_thread::get_id() != thread_) return false;
  const auto running = platform::CurrentQueue::running();
  return running == 0 || running == mainQueue_.identity();
}

std::shared_ptr<platform::DispatchQueue> VirtualScheduler::makeSerialQueue(
    const std::string& label) {
  return std::make_shared<platform::WorkLoopQueue>(label, loop_);
}

bool VirtualScheduler::advance(double seconds) {
  seconds = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
  const Date endWall = clock_.now() + seconds;
  const double endUptime = clock_.uptime() + seconds;
  const auto endContinuous =
      clock_.continuousNanoseconds() + static_cast<std::uint64_t>(std::llround(seconds * 1e9));
  bool finished = true;
  std::size_t ran = 0;
  while (const auto next = loop_.next()) {
    const bool withinSpan = next->kind == ClockKind::Wall
                                ? next->due <= endWall.timeIntervalSinceReferenceDate()
                                : next->due <= endUptime;
    if (!withinSpan) break;
    if (next->remaining > 0) {
      if (next->kind == ClockKind::Wall) {
        clock_.advanceWallTo(Date(next->due));
      } else {
        clock_.advanceUptimeTo(next->due);
      }
    }
    loop_.runNextDue();
    if (++ran > kMaxTasksPerVerb) {
      finished = false;
      break;
    }
  }
  clock_.set(endWall, endUptime, endContinuous);
  return finished;
}

bool VirtualScheduler::runUntilIdle() {
  for (std::size_t ran = 0; loop_.runNextDue();) {
    if (++ran > kMaxTasksPerVerb) return false;
  }
  return true;
}

void VirtualScheduler::sleep(double seconds) {
  const Date before = clock_.now();
  clock_.sleep(std::isfinite(seconds) ? seconds : 0.0);
  for (auto& missed : loop_.takeWallEntriesDueIn(before, clock_.now())) missed();
}

std::optional<double> VirtualScheduler::timeUntilNext() const {
  const auto next = loop_.next();
  if (!next) return std::nullopt;
  return next->remaining;
}

}  // namespace vigilix::testing
