#pragma once

#include <memory>
#include <mutex>

#include "platform/runloop/run_loop.h"
#include "platform/runloop/work_loop.h"

namespace vigilix::platform {

// The main run loop's timers, modes and performs on top of a work loop; the
// live loop and the test platform's virtual loop both are one. The work loop
// must outlive it.
class MainRunLoop : public RunLoop {
 public:
  explicit MainRunLoop(WorkLoop& loop);

  std::shared_ptr<Timer> scheduleTimer(double interval, bool repeats, Timer::Handler handler,
                                       RunLoopMode mode = RunLoopMode::Default) override;
  std::shared_ptr<Timer> makeTimer(Date fireDate, double interval, bool repeats,
                                   Timer::Handler handler) override;
  void addTimer(const std::shared_ptr<Timer>& timer, RunLoopMode mode) override;
  void perform(std::function<void()> task, RunLoopMode mode) override;

  RunLoopMode currentMode() const override;
  void beginTracking() override;
  void endTracking() override;

  WorkLoop& workLoop() { return loop_; }

 private:
  WorkLoop& loop_;
  mutable std::mutex mutex_;
  int trackingDepth_ = 0;
};

}  // namespace vigilix::platform
