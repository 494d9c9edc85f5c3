// The lid from a UPower mock on a private system bus.

#include <gtest/gtest.h>

#include <optional>

#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/mock_calls.h"
#include "platform/power/lid_watcher.h"

namespace vigilix::testing {
namespace {

using platform::LidPresence;
using platform::LidReading;

constexpr const char* kUPower = "org.freedesktop.UPower";

void setLid(const char* name, bool value) {
  setSystemBoolProperty(kUPower, "/org/freedesktop/UPower", kUPower, name, value);
}

TEST(LidWatcherLiveTest, UPowersLidPropertiesGiveTheReadingAndEachChangeIsTold) {
  PrivateSystemBus bus;
  auto connection = platform::AsyncBusConnection::open(platform::BusKind::System);
  ASSERT_TRUE(connection.has_value());
  platform::UPowerLidWatcher watcher(std::move(*connection));
  int changes = 0;
  watcher.setOnChange([&changes] { ++changes; });
  EXPECT_EQ(watcher.reading(), LidReading{}) << "no UPower: unknown";

  std::optional<DbusMock> upower(std::in_place, bus, "upower", kUPower,
                                 R"({"LidIsPresent": false})");
  struct Row {
    const char* name;
    const char* property;  // nullptr: the service comes or goes
    bool value;
    LidReading expected;
  };
  const Row rows[] = {
      {"UPower without a lid", nullptr, false, {LidPresence::noLid, std::nullopt}},
      {"a lid appears, open", "LidIsPresent", true, {LidPresence::hasLid, false}},
      {"closed", "LidIsClosed", true, {LidPresence::hasLid, true}},
      {"opened", "LidIsClosed", false, {LidPresence::hasLid, false}},
      {"closed again", "LidIsClosed", true, {LidPresence::hasLid, true}},
  };
  int expectedChanges = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.property) setLid(row.property, row.value);
    ++expectedChanges;
    EXPECT_TRUE(runMainLoopUntil([&] { return watcher.reading() == row.expected; }));
    EXPECT_EQ(watcher.reading(), row.expected);
    EXPECT_GE(changes, expectedChanges);
    expectedChanges = changes;
  }

  upower->kill();
  EXPECT_TRUE(runMainLoopUntil([&] { return watcher.reading() == LidReading{}; }))
      << "UPower gone: unknown again";
  EXPECT_GT(changes, expectedChanges);
}

}  // namespace
}  // namespace vigilix::testing
