#include "platform/runloop/work_loop_queue.h"

#include <algorithm>
#include <utility>

namespace vigilix::platform {

WorkLoopQueue::WorkLoopQueue(std::string label, WorkLoop& loop, std::function<bool()> onOwnThread)
    : label_(std::move(label)),
      loop_(loop),
      onOwnThread_(std::move(onOwnThread)),
      identity_(CurrentQueue::newIdentity()) {}

Task WorkLoopQueue::wrap(Task task) const {
  return [identity = identity_, task = std::move(task)] {
    CurrentQueue::Scope scope(identity);
    task();
  };
}

void WorkLoopQueue::async(Task task) { loop_.postNow(wrap(std::move(task))); }

void WorkLoopQueue::asyncAfter(double seconds, Task task) {
  loop_.post(ClockKind::Uptime, loop_.clock().uptime() + std::max(seconds, 0.0), kAllModes,
             wrap(std::move(task)));
}

bool WorkLoopQueue::isCurrent() const {
  return CurrentQueue::is(identity_) || (onOwnThread_ && onOwnThread_());
}

}  // namespace vigilix::platform
