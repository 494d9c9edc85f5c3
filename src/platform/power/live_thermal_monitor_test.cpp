#include "platform/power/live_thermal_monitor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "platform/notifications/notification_center.h"
#include "testing/fake_proc_tree.h"
#include "testing/scoped_environment.h"
#include "testing/test_platform.h"

namespace vigilix::platform {
namespace {

using testing::FakeProcTree;

const std::vector<FakeProcTree::Trip> kLaptop{{"passive", 95'000}, {"critical", 105'000}};
constexpr double kInterval = LiveThermalMonitor::kChangePollInterval;

// Each row: the state the follower last acted on, the zone before it
// follows and after; the notices at its next look.
TEST(LiveThermalMonitorTest, AFollowerHearsOfAStateItHasNotSeenAtItsNextLook) {
  struct Row {
    const char* name;
    ThermalState known;
    std::int64_t before;
    std::optional<std::int64_t> after;
    int notices;
  };
  const Row rows[] = {
      {"still cool", ThermalState::Nominal, 40'000, std::nullopt, 0},
      {"turns hot", ThermalState::Nominal, 40'000, 96'000, 1},
      {"turns critically hot", ThermalState::Nominal, 40'000, 104'000, 1},
      {"cools down", ThermalState::Critical, 104'000, 40'000, 1},
      {"hot since the follower last acted", ThermalState::Nominal, 96'000, std::nullopt, 1},
      {"warmer within the same level", ThermalState::Serious, 96'000, 98'000, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    FakeProcTree tree;
    tree.setThermalZone(0, row.before, kLaptop);
    LiveThermalMonitor monitor(tree.root());
    int notices = 0;
    auto observer = NotificationCenter::defaultCenter().addObserver(
        kThermalStateDidChangeNotification, nullptr, nullptr,
        [&](const Notification&) { ++notices; });

    auto follower = monitor.followChanges(row.known);
    ASSERT_NE(follower, nullptr);
    if (row.after) tree.setThermalZone(0, *row.after, kLaptop);
    platform.advance(kInterval - 1);
    EXPECT_EQ(notices, 0) << "not before the next look";
    platform.advance(1);
    EXPECT_EQ(notices, row.notices);
    platform.advance(kInterval * 3);
    EXPECT_EQ(notices, row.notices) << "each change once";

    follower.reset();
    tree.setThermalZone(0, row.after.value_or(row.before) > 50'000 ? 30'000 : 110'000, kLaptop);
    platform.advance(kInterval * 3);
    EXPECT_EQ(notices, row.notices) << "nothing once nobody follows";
  }
}

TEST(LiveThermalMonitorTest, ATestOfTheBuiltProgramMayLookMoreOften) {
  testing::ScopedEnvironment poll("VIGILIX_TEST_THERMAL_POLL", "2");
  testing::TestPlatform platform;
  FakeProcTree tree;
  tree.setThermalZone(0, 40'000, kLaptop);
  LiveThermalMonitor monitor(tree.root());
  int notices = 0;
  auto observer = NotificationCenter::defaultCenter().addObserver(
      kThermalStateDidChangeNotification, nullptr, nullptr,
      [&](const Notification&) { ++notices; });
  auto follower = monitor.followChanges(ThermalState::Nominal);
  tree.setThermalZone(0, 104'000, kLaptop);
  platform.advance(2);
  EXPECT_EQ(notices, 1);
}

}  // namespace
}  // namespace vigilix::platform
