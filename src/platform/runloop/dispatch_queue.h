#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace vigilix::platform {

using Task = std::function<void()>;

// A serial queue of tasks. The main queue runs on the main thread inside the
// main run loop; other queues have a worker of their own. Under the test
// platform every queue runs on the test's thread on virtual time.
class DispatchQueue {
 public:
  virtual ~DispatchQueue() = default;
  virtual const std::string& label() const = 0;
  virtual void async(Task task) = 0;
  // Runs the task no earlier than `seconds` from now (uptime-based, like
  // dispatch_after on DISPATCH_TIME_NOW).
  virtual void asyncAfter(double seconds, Task task) = 0;
  // True when called from a task of this queue (or, for the main queue, from
  // the main thread).
  virtual bool isCurrent() const = 0;

  static DispatchQueue& main();
  static std::shared_ptr<DispatchQueue> makeSerial(const std::string& label);
  // True on the main thread (under the test platform: the test's thread,
  // outside the tasks of other queues).
  static bool isMainThread();
};

// Runs the task at once on the main thread, else posts it to the main queue.
inline void runOnMain(Task task) {
  if (DispatchQueue::isMainThread()) {
    task();
  } else {
    DispatchQueue::main().async(std::move(task));
  }
}

// A timer source on a queue (dispatch_source timer). Created suspended;
// `resume` arms it. Cancelling is final and stops further handler calls.
class DispatchTimerSource {
 public:
  enum class ClockKind { Uptime, Wall };

  virtual ~DispatchTimerSource() = default;
  // First fire `deadlineSeconds` from now on the given clock; then every
  // `intervalSeconds` (0 = one-shot). Leeway is recorded, never used to fire
  // early.
  virtual void schedule(double deadlineSeconds, double intervalSeconds, double leewaySeconds,
                        ClockKind clock = ClockKind::Uptime) = 0;
  virtual void setEventHandler(Task handler) = 0;
  virtual void resume() = 0;
  virtual void cancel() = 0;
  virtual bool isCancelled() const = 0;
  virtual double leeway() const = 0;

  static std::shared_ptr<DispatchTimerSource> make(DispatchQueue& queue);
};

}  // namespace vigilix::platform
