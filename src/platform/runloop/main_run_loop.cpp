#include "platform/runloop/main_run_loop.h"

#include <algorithm>
#include <utility>

#include "platform/runloop/run_loop_timer.h"

namespace vigilix::platform {

MainRunLoop::MainRunLoop(WorkLoop& loop) : loop_(loop) {}

std::shared_ptr<Timer> MainRunLoop::scheduleTimer(double interval, bool repeats,
                                                  Timer::Handler handler, RunLoopMode mode) {
  // The first fire is one interval from now, a repeating one raised like its period.
  const double first =
      repeats ? std::max(interval, RunLoopTimer::kShortestRepeatInterval) : std::max(interval, 0.0);
  auto timer = std::make_shared<RunLoopTimer>(loop_, loop_.clock().now() + first, interval, repeats,
                                              std::move(handler));
  timer->addToModes(modeMaskFor(mode));
  return timer;
}

std::shared_ptr<Timer> MainRunLoop::makeTimer(Date fireDate, double interval, bool repeats,
                                              Timer::Handler handler) {
  return std::make_shared<RunLoopTimer>(loop_, fireDate, interval, repeats, std::move(handler));
}

void MainRunLoop::addTimer(const std::shared_ptr<Timer>& timer, RunLoopMode mode) {
  // Only timers made by a run loop can be added; they all wait in this loop.
  if (auto* own = dynamic_cast<RunLoopTimer*>(timer.get()); own && &own->loop() == &loop_) {
    own->addToModes(modeMaskFor(mode));
  }
}

void MainRunLoop::perform(std::function<void()> task, RunLoopMode mode) {
  loop_.post(ClockKind::Uptime, loop_.clock().uptime(), modeMaskFor(mode), std::move(task));
}

RunLoopMode MainRunLoop::currentMode() const {
  std::lock_guard lock(mutex_);
  return trackingDepth_ > 0 ? RunLoopMode::EventTracking : RunLoopMode::Default;
}

void MainRunLoop::beginTracking() {
  std::lock_guard lock(mutex_);
  if (++trackingDepth_ == 1) loop_.setModeMask(kEventTrackingModeBit);
}

void MainRunLoop::endTracking() {
  std::lock_guard lock(mutex_);
  if (trackingDepth_ == 0) return;
  if (--trackingDepth_ == 0) loop_.setModeMask(kDefaultModeBit);
}

}  // namespace vigilix::platform
