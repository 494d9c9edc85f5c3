#pragma once

#include <memory>
#include <mutex>
#include <optional>

#include "platform/runloop/run_loop.h"
#include "platform/runloop/work_loop.h"

namespace vigilix::platform {

// A timer of the main run loop. Its fire date is on the wall clock. While it is
// scheduled the loop holds it (like NSTimer), so dropping the last pointer does
// not stop it: invalidate does. A one-shot becomes invalid once its handler
// returns, unless the handler moved its fire date. A late repeating timer fires
// once and then keeps to its grid: the next fire date is the first one after
// now of fire date plus whole intervals.
class RunLoopTimer final : public Timer, public std::enable_shared_from_this<RunLoopTimer> {
 public:
  // Repeating intervals below this are raised to it, as NSTimer does.
  static constexpr double kShortestRepeatInterval = 0.0001;

  RunLoopTimer(WorkLoop& loop, Date fireDate, double interval, bool repeats, Handler handler);
  ~RunLoopTimer() override;

  void invalidate() override;
  bool isValid() const override;
  Date fireDate() const override;
  void setFireDate(Date date) override;
  double timeInterval() const override;
  bool repeats() const override;
  double tolerance() const override;
  void setTolerance(double seconds) override;

  // Adds the modes of `mode` and arms the timer in them.
  void addToModes(ModeMask modes);
  WorkLoop& loop() const { return loop_; }

 private:
  void armLocked();
  void disarmLocked();
  void fire();
  void missedFire();

  WorkLoop& loop_;
  mutable std::mutex mutex_;
  Handler handler_;
  Date fireDate_;
  double interval_;
  bool repeats_;
  double tolerance_ = 0;
  bool valid_ = true;
  bool firing_ = false;
  bool movedWhileFiring_ = false;
  ModeMask modes_ = 0;
  std::optional<WorkLoop::Id> entry_;
};

}  // namespace vigilix::platform
