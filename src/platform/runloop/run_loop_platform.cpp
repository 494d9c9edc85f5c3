#include "platform/runloop/run_loop_platform.h"

#include "platform/base/current_instance.h"
#include "platform/runloop/live_run_loop.h"
#include "platform/runloop/queue_timer_source.h"

namespace vigilix::platform {

namespace {
constinit CurrentInstance<RunLoopPlatform> currentPlatform{
    []() -> RunLoopPlatform& { return LivePlatform::shared(); }};
}  // namespace

RunLoopPlatform& RunLoopPlatform::current() { return currentPlatform.get(); }

void RunLoopPlatform::setCurrent(RunLoopPlatform* platform) { currentPlatform.install(platform); }

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

std::shared_ptr<DispatchProcessSource> DispatchProcessSource::make(std::int32_t processIdentifier,
                                                                   DispatchQueue& queue) {
  return RunLoopPlatform::current().makeProcessSource(processIdentifier, queue);
}

}  // namespace vigilix::platform
