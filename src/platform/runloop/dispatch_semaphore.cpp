#include "platform/runloop/dispatch_semaphore.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "platform/runloop/run_loop_platform.h"

namespace vigilix::platform {

struct DispatchSemaphore::State {
  std::mutex mutex;
  std::condition_variable changed;
  long count = 0;
};

namespace {

// One wait's deadline; the timer loop marks it when the time is up.
struct Deadline {
  bool passed = false;
};

}  // namespace

DispatchSemaphore::DispatchSemaphore(long value) : state_(std::make_shared<State>()) {
  state_->count = value;
}

DispatchSemaphore::~DispatchSemaphore() = default;

void DispatchSemaphore::signal() {
  {
    std::lock_guard lock(state_->mutex);
    ++state_->count;
  }
  state_->changed.notify_one();
}

bool DispatchSemaphore::wait(double seconds) {
  std::unique_lock lock(state_->mutex);
  if (state_->count > 0) {
    --state_->count;
    return true;
  }
  // The deadline is an entry of the platform's timer loop, so virtual time
  // ends the wait as it ends any timer.
  WorkLoop& timers = RunLoopPlatform::current().timerLoop();
  auto deadline = std::make_shared<Deadline>();
  std::weak_ptr<State> weak = state_;
  const WorkLoop::Id entry =
      timers.post(ClockKind::Uptime, timers.clock().uptime() + std::max(seconds, 0.0), kAllModes,
                  [weak, deadline] {
                    auto state = weak.lock();
                    if (!state) return;
                    {
                      std::lock_guard inner(state->mutex);
                      deadline->passed = true;
                    }
                    state->changed.notify_all();
                  });
  state_->changed.wait(lock, [&] { return state_->count > 0 || deadline->passed; });
  const bool took = state_->count > 0;
  if (took) --state_->count;
  lock.unlock();
  timers.cancel(entry);
  return took;
}

}  // namespace vigilix::platform
