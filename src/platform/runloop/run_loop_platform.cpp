#include "platform/runloop/run_loop_platform.h"

#include <utility>

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

namespace {

class TimerToken final : public ObserverToken {
 public:
  explicit TimerToken(std::shared_ptr<Timer> timer) : timer_(std::move(timer)) {}
  ~TimerToken() override { timer_->invalidate(); }

 private:
  std::shared_ptr<Timer> timer_;
};

}  // namespace

ObserverHandle timerToken(std::shared_ptr<Timer> timer) {
  return std::make_unique<TimerToken>(std::move(timer));
}

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
