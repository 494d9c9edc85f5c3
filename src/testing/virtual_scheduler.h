#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/runloop/main_run_loop.h"
#include "platform/runloop/run_loop_platform.h"
#include "platform/runloop/work_loop.h"
#include "platform/runloop/work_loop_queue.h"
#include "testing/virtual_clock.h"
#include "testing/virtual_processes.h"

namespace vigilix::testing {

// The run loop, the main queue, every serial queue, every timer source and the
// process table on the creating thread and on virtual time: all their work
// waits in one loop and runs only inside the verbs below. Installs itself and its clock while it
// lives. Queues and timers made under it must not be used after it is gone.
class VirtualScheduler final : public platform::RunLoopPlatform {
 public:
  // More tasks than this in one verb means something re-posts itself for now
  // for ever; the verb gives up and reports false.
  static constexpr std::size_t kMaxTasksPerVerb = 100000;

  explicit VirtualScheduler(VirtualClock& clock);
  ~VirtualScheduler() override;
  VirtualScheduler(const VirtualScheduler&) = delete;
  VirtualScheduler& operator=(const VirtualScheduler&) = delete;

  const platform::Clock& clock() const override { return clock_; }
  platform::RunLoop& mainRunLoop() override { return runLoop_; }
  platform::DispatchQueue& mainQueue() override { return mainQueue_; }
  std::shared_ptr<platform::DispatchQueue> makeSerialQueue(const std::string& label) override;
  platform::WorkLoop& timerLoop() override { return loop_; }
  // The test's thread, except inside a task of another queue (serial or
  // manual), which would run on a thread of its own in the live program.
  bool isMainThread() const override;
  // Watches the virtual process table.
  std::shared_ptr<platform::DispatchProcessSource> makeProcessSource(
      std::int32_t processIdentifier, platform::DispatchQueue& queue) override {
    return processes_.makeSource(processIdentifier, queue);
  }

  VirtualProcesses& processes() { return processes_; }

  // Runs everything due within `seconds` in due order (ties by posting order),
  // moving the clock to each due time; ends exactly `seconds` later.
  bool advance(double seconds);
  // Runs everything due now, also what that posts for now; time stands still.
  bool runUntilIdle();
  // Wall and continuous time move by `seconds`, uptime does not, nothing runs.
  // Wall-clock work whose due time passes meanwhile misses that due time.
  void sleep(double seconds);

  // Pending entries (tasks, armed timers and sources), in any mode.
  std::size_t pendingCount() const { return loop_.pendingCount(); }
  // Seconds until the next entry eligible in the current mode is due.
  std::optional<double> timeUntilNext() const;

 private:
  VirtualClock& clock_;
  platform::WorkLoop loop_;
  platform::MainRunLoop runLoop_;
  platform::WorkLoopQueue mainQueue_;
  VirtualProcesses processes_;
  std::thread::id thread_;
};

}  // namespace vigilix::testing
