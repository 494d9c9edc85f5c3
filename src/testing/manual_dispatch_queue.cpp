#include "testing/manual_dispatch_queue.h"

#include <algorithm>
#include <utility>

#include "platform/runloop/run_loop_platform.h"

namespace vigilix::testing {

ManualDispatchQueue::ManualDispatchQueue(std::string label)
    : label_(std::move(label)),
      line_(std::make_shared<Line>()),
      identity_(platform::CurrentQueue::newIdentity()) {}

ManualDispatchQueue::~ManualDispatchQueue() {
  std::deque<platform::Task> dropped;
  std::lock_guard lock(line_->mutex);
  dropped.swap(line_->tasks);
}

void ManualDispatchQueue::async(platform::Task task) {
  std::lock_guard lock(line_->mutex);
  line_->tasks.push_back(std::move(task));
}

void ManualDispatchQueue::asyncAfter(double seconds, platform::Task task) {
  if (!(seconds > 0)) {
    async(std::move(task));
    return;
  }
  platform::WorkLoop& timers = platform::RunLoopPlatform::current().timerLoop();
  std::weak_ptr<Line> weak = line_;
  timers.post(platform::ClockKind::Uptime, timers.clock().uptime() + seconds, platform::kAllModes,
              [weak, task = std::move(task)]() mutable {
                if (auto line = weak.lock()) {
                  std::lock_guard lock(line->mutex);
                  line->tasks.push_back(std::move(task));
                }
              });
}

bool ManualDispatchQueue::isCurrent() const { return platform::CurrentQueue::is(identity_); }

bool ManualDispatchQueue::runNext() {
  platform::Task task;
  {
    std::lock_guard lock(line_->mutex);
    if (line_->tasks.empty()) return false;
    task = std::move(line_->tasks.front());
    line_->tasks.pop_front();
  }
  platform::CurrentQueue::Scope scope(identity_);
  if (task) task();
  return true;
}

std::size_t ManualDispatchQueue::runAll() {
  std::size_t ran = 0;
  while (runNext()) ++ran;
  return ran;
}

std::size_t ManualDispatchQueue::pendingCount() const {
  std::lock_guard lock(line_->mutex);
  return line_->tasks.size();
}

}  // namespace vigilix::testing
