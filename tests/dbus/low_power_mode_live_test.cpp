// Low Power Mode from a power-profiles-daemon mock on a private system bus.

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "platform/dbus/bus_connection.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/power_profiles_low_power_mode.h"
#include "testing/captured_log.h"

namespace vigilix::testing {
namespace {

constexpr const char* kDaemon = "net.hadess.PowerProfiles";

bool setActiveProfile(const std::string& profile) {
  auto bus = platform::BusConnection::openSystem();
  return bus &&
         bus->call({kDaemon, "/net/hadess/PowerProfiles", "org.freedesktop.DBus.Properties", "Set"},
                   [&profile](platform::BusArgumentWriter& out) {
                     out.string(kDaemon).string("ActiveProfile").variant(profile);
                   })
             .has_value();
}

TEST(LowPowerModeLiveTest, ThePowerSaverProfileIsLowPowerModeAndEachChangeIsPosted) {
  PrivateSystemBus bus;
  CapturedLog log;
  int notices = 0;
  auto observer = platform::NotificationCenter::defaultCenter().addObserver(
      platform::kPowerStateDidChangeNotification, nullptr, nullptr,
      [&notices](const platform::Notification&) { ++notices; });

  platform::PowerProfilesLowPowerMode mode;
  EXPECT_TRUE(runMainLoopUntil([&] { return log.containsFragment("Low Power Mode reads as off"); }))
      << "without the daemon the mode is off and the log says why";
  std::optional<DbusMock> daemon(std::in_place, bus, "power_profiles_daemon", kDaemon);

  struct Row {
    const char* name;
    const char* profile;
    bool enabled;
    int notices;  // so far; a row that changes nothing is checked by the next
  };
  const Row rows[] = {
      {"power saver", "power-saver", true, 1},
      {"performance", "performance", false, 2},
      {"balanced: still off", "balanced", false, 2},
      {"power saver again", "power-saver", true, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(setActiveProfile(row.profile));
    EXPECT_TRUE(runMainLoopUntil([&] { return notices >= row.notices; }));
    EXPECT_EQ(notices, row.notices);
    EXPECT_EQ(mode.isLowPowerModeEnabled(), row.enabled);
  }

  daemon->kill();
  EXPECT_TRUE(runMainLoopUntil([&] { return notices == 4; }));
  EXPECT_FALSE(mode.isLowPowerModeEnabled()) << "no daemon, no power saving";
}

}  // namespace
}  // namespace vigilix::testing
