#include "platform/runloop/run_loop_platform.h"

#include <atomic>

#include "platform/runloop/live_run_loop.h"
#include "platform/runloop/queue_timer_source.h"

namespace vigilix::platform {

namespace {
std::atomic<RunLoopPlatform*> installedPlatform{nullptr};
}  // namespace

RunLoopPlatform& RunLoopPlatform::current() {
  if (RunLoopPlatform* platform = installedPlatform.load(std::memory_order_acquire)) {
    return *platform;
  }
  return LivePlatform::shared();
}

void RunLoopPlatform::setCurrent(RunLoopPlatform* platform) {
  installedPlatform.store(platform, std::memory_order_release);
}

RunLoop& RunLoop::main() { return RunLoopPlatform::current().mainRunLoop(); }

DispatchQueue& DispatchQueue::main() { return RunLoopPlatform::current().mainQueue(); }

std::shared_ptr<DispatchQueue> DispatchQueue::makeSerial(const std::string& label) {
  return RunLoopPlatform::current().makeSerialQueue(label);
}

bool DispatchQueue::isMainThread() { return RunLoopPlatform::current().isMainThread(); }

std::shared_ptr<DispatchTimerSource> DispatchTimerSource::make(DispatchQueue& queue) {
  RunLoopPlatform& platform = RunLoopPlatform::current();
  return std::make_shared<QueueTimerSource>(queue, platform.timerLoop());
}

}  // namespace vigilix::platform
