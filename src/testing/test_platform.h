#pragma once

#include "platform/base/date.h"
#include "testing/fake_power.h"
#include "testing/fake_reduce_motion.h"
#include "testing/test_user_defaults.h"
#include "testing/virtual_clock.h"
#include "testing/virtual_scheduler.h"

namespace vigilix::testing {

// The deterministic platform of one test. Declare it as the first member of a
// fixture, so it is built first and torn down last. While it lives, time is
// virtual (starting at VirtualClock::kDefaultStart, Monday 2026-01-05 09:00:00
// UTC, with 1000 s of uptime, unless given another start), and the main run
// loop, the main queue, every serial queue and every timer source run on the
// test's thread, only inside the verbs below. Destruction resets every shared
// instance and restores the live platform.
class TestPlatform {
 public:
  explicit TestPlatform(platform::Date start = VirtualClock::kDefaultStart);
  ~TestPlatform();
  TestPlatform(const TestPlatform&) = delete;
  TestPlatform& operator=(const TestPlatform&) = delete;

  // Fast-forward: runs everything that falls due within `seconds`, in due
  // order (ties by posting order), moving the clock to each due time; ends
  // exactly `seconds` after the start.
  void advance(double seconds);
  // Moves wall, uptime and continuous time; runs nothing (for late work).
  void advanceClockWithoutRunning(double seconds);
  // Runs every task and timer due now, also those they post for now; time
  // stands still, so a repeating timer cannot make it spin.
  void runUntilIdle();
  // Posts "NSWorkspaceWillSleepNotification" on the workspace centre (an
  // observer without a queue runs before the sleep; one on a queue after
  // it). Then the machine sleeps for `seconds`: wall and continuous time move, uptime
  // does not, nothing runs, and wall-clock timers whose fire date passes
  // meanwhile miss it (a one-shot never fires; a repeating one goes on at its
  // next fire date). Then posts "NSWorkspaceDidWakeNotification" on the
  // workspace centre and runs what is due now.
  void sleepFor(double seconds);
  // Sets the wall clock alone (the user changed the date); runs nothing.
  void setNow(platform::Date date);
  // For work that another thread posts (a waiter arming its deadline): waits
  // on real time, up to 10 s, until at least `count` entries are pending.
  // False when they never came.
  bool waitUntilPending(std::size_t count);

  // A menu opens and closes: the main run loop enters and leaves event tracking.
  void beginTracking();
  void endTracking();

  platform::Date now() const { return clock_.now(); }
  double uptime() const { return clock_.uptime(); }
  VirtualClock& clock() { return clock_; }
  const VirtualClock& clock() const { return clock_; }
  VirtualScheduler& scheduler() { return scheduler_; }
  // Processes that process sources watch: a test starts and ends them.
  VirtualProcesses& processes() { return scheduler_.processes(); }

 private:
  VirtualClock clock_;
  VirtualScheduler scheduler_;
  // The other fakes of the platform follow, one member each.

 public:
  // Power assertions, power sources, Low Power Mode and thermal state.
  FakePower power;
  // User defaults: the standard domain and every suite live in memory.
  TestDefaultsEnvironment defaults;
  // The desktop's Reduce Motion, off.
  FakeReduceMotion reduceMotion;
};

}  // namespace vigilix::testing
