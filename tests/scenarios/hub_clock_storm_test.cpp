#include <malloc.h>

#include <functional>

#include "hub/trigger_configuration_store.h"
#include "hub_fixture.h"
#include "platform/system/clock_change_filter.h"
#include "platform/system/clock_change_monitor.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitiser's allocator keeps its own count; GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace vigilix::scenarios {
namespace {

// Bytes the process has allocated and not freed.
std::size_t allocatedBytes() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

// The wall clock set ten times a second for ten minutes, as clock synchronisation fighting
// another source or a virtual machine's does: clock changes are told once a second at most,
// each one a single pass of the hub, and neither its timers nor its memory grow.
TEST_F(HubScenario, AStormOfClockSetsCostsAPassASecondAtMost) {
  struct Row {
    const char* name;
    std::function<double(int)> step;  // how far the clock is set at each step
    int mostNotices;
  };
  const Row rows[] = {
      {"back and forth by 50 ms: no change", [](int step) { return step % 2 ? -0.05 : 0.05; }, 0},
      {"an hour ahead, another, two back: a change a second at most",
       [](int step) { return step % 3 == 2 ? -7200.0 : 3600.0; }, 600},
  };
  constexpr int kStepsPerSecond = 10;
  constexpr int kMinutes = 10;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TriggerConfiguration rules;
    rules.isEnabled = true;
    rules.appBundleIdentifiers = {"org.example.Absent"};
    VGXTriggerConfigurationStore::save(rules, defaults());
    hub.reset();
    startHub();
    int notices = 0;
    const auto observer = platform::NotificationCenter::defaultCenter().addObserver(
        platform::kSystemClockDidChangeNotification, nullptr, nullptr,
        [&notices](const platform::Notification&) { ++notices; });
    platform::ClockChangeFilter filter(platform::Clock::current(), platform::DispatchQueue::main());
    const int readingsBefore = machine->readings;
    int publishes = 0;
    std::size_t pendingAfterAMinute = 0;
    std::size_t bytesAfterAMinute = 0;
    for (int step = 0; step < kMinutes * 60 * kStepsPerSecond; ++step) {
      platform.setNow(now() + row.step(step));
      filter.clockWasSet();
      platform.advance(1.0 / kStepsPerSecond);
      publishes += count("delegate");
      events.clear();
      if (step + 1 == 60 * kStepsPerSecond) {
        pendingAfterAMinute = platform.scheduler().pendingCount();
        bytesAfterAMinute = allocatedBytes();
      }
    }
    EXPECT_LE(notices, row.mostNotices);
    // Each change is one pass of the hub, which reads the machine once; the monitor's own
    // reading every 5 s and the hub's tick every minute come on top.
    const int passes = row.mostNotices + kMinutes;
    EXPECT_LE(machine->readings - readingsBefore, passes + kMinutes * 12);
    EXPECT_LE(publishes, 5 * passes);
    EXPECT_LE(platform.scheduler().pendingCount(), pendingAfterAMinute);
    EXPECT_LT(allocatedBytes(), bytesAfterAMinute + 16 * 1024);
  }
}

}  // namespace
}  // namespace vigilix::scenarios
