#include "testing/test_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/base/shared_instances.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/run_loop.h"

namespace vigilix::testing {

TestPlatform::TestPlatform(platform::Date start) : clock_(start), scheduler_(clock_) {}

TestPlatform::~TestPlatform() {
  // Shared instances go first, while every fake they use still lives.
  platform::resetSharedInstances();
}

void TestPlatform::advance(double seconds) {
  if (!scheduler_.advance(seconds)) {
    ADD_FAILURE() << "advance gave up: work keeps re-posting itself for the same instant";
  }
}

void TestPlatform::advanceClockWithoutRunning(double seconds) { clock_.advance(seconds); }

bool TestPlatform::waitUntilPending(std::size_t count) {
  using namespace std::chrono_literals;
  const auto until = std::chrono::steady_clock::now() + 10s;
  while (scheduler_.pendingCount() < count) {
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

void TestPlatform::runUntilIdle() {
  if (!scheduler_.runUntilIdle()) {
    ADD_FAILURE() << "runUntilIdle gave up: work keeps re-posting itself for now";
  }
}

void TestPlatform::sleepFor(double seconds) {
  platform::NotificationCenter::workspaceCenter().post("NSWorkspaceWillSleepNotification");
  scheduler_.sleep(seconds);
  platform::NotificationCenter::workspaceCenter().post("NSWorkspaceDidWakeNotification");
  runUntilIdle();
}

void TestPlatform::setNow(platform::Date date) { clock_.setNow(date); }

void TestPlatform::beginTracking() { platform::RunLoop::main().beginTracking(); }

void TestPlatform::endTracking() { platform::RunLoop::main().endTracking(); }

}  // namespace vigilix::testing
