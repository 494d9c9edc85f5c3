// The machine's notices from their live sources: the user's logind session
// and UPower's lid on a private system bus, the screen saver on a private
// session bus, the time zone in a temporary root.

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/mock_calls.h"
#include "dbus/mock_logind_test_fixture.h"
#include "platform/dbus/bus_connection.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/desktop_watches.h"
#include "platform/runloop/descriptor_sources.h"
#include "platform/system/clock_change_monitor.h"
#include "testing/captured_log.h"
#include "testing/temporary_root.h"

namespace vigilix::testing {
namespace {

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/c1";
constexpr const char* kResign = "NSWorkspaceSessionDidResignActiveNotification";
constexpr const char* kBecome = "NSWorkspaceSessionDidBecomeActiveNotification";

// A signal as any other connection on the bus may send it.
void emitAsStranger(const std::filesystem::path& folder, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "emit");
  arguments.insert(arguments.begin(), "/usr/bin/busctl");
  TestChildProcess emit(arguments, folder / "busctl-emit.log");
  ASSERT_EQ(emit.wait(), 0) << readFile(folder / "busctl-emit.log");
}

class DesktopWatchesTest : public MockLogindTest {
 protected:
  std::shared_ptr<platform::AsyncBusConnection> systemBus() {
    auto bus = platform::AsyncBusConnection::open(platform::BusKind::System);
    EXPECT_TRUE(bus.has_value());
    return bus ? std::shared_ptr<platform::AsyncBusConnection>(std::move(*bus)) : nullptr;
  }

  std::vector<std::string> seen;
  platform::ObserverHandle observer = platform::NotificationCenter::workspaceCenter().addObserver(
      "", nullptr, nullptr,
      [this](const platform::Notification& notification) { seen.push_back(notification.name); });
};

TEST_F(DesktopWatchesTest, TheUsersSessionSwitchingAwayAndBackIsPosted) {
  CapturedLog log;
  addLogindSession();
  auto activity =
      platform::LogindSessionActivity::start(systemBus(), {.sessionId = "c1", .pid = 0});
  const auto forge = [this](bool active) {
    emitAsStranger(bus().folder(),
                   {"--system", kSessionPath, "org.freedesktop.DBus.Properties",
                    "PropertiesChanged", "sa{sv}as", "org.freedesktop.login1.Session", "1",
                    "Active", "b", active ? "true" : "false", "0"});
  };
  struct Row {
    const char* name;
    std::function<void()> change;
    std::vector<std::string> seen;  // so far
  };
  const Row rows[] = {
      {"switched away",
       [] {
         setSystemBoolProperty("org.freedesktop.login1", kSessionPath,
                               "org.freedesktop.login1.Session", "Active", false);
       },
       {kResign}},
      {"back",
       [] {
         setSystemBoolProperty("org.freedesktop.login1", kSessionPath,
                               "org.freedesktop.login1.Session", "Active", true);
       },
       {kResign, kBecome}},
      {"another connection says away and back: ignored",
       [&] {
         forge(false);
         forge(true);
         ASSERT_TRUE(runMainLoopUntil([&] { return log.count(platform::LogLevel::Error) >= 2; }))
             << ::testing::PrintToString(log.messages());
       },
       {kResign, kBecome}},
      {"logind says away",
       [] {
         setSystemBoolProperty("org.freedesktop.login1", kSessionPath,
                               "org.freedesktop.login1.Session", "Active", false);
       },
       {kResign, kBecome, kResign}},
  };
  // The first reading posts nothing; changes count from it.
  ASSERT_TRUE(
      runMainLoopUntil([&] { return log.containsFragment("Following the logind session"); }));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change();
    EXPECT_TRUE(runMainLoopUntil([&] { return seen.size() >= row.seen.size(); }));
    EXPECT_EQ(seen, row.seen);
  }
}

TEST_F(DesktopWatchesTest, TheLidOpeningAndClosingIsPosted) {
  DbusMock upower(bus(), "upower", "org.freedesktop.UPower");
  CapturedLog log;
  auto lid = platform::watchLid(systemBus());
  ASSERT_TRUE(lid.has_value());
  ASSERT_TRUE(runMainLoopUntil([&] { return log.containsFragment("The lid reads open"); }))
      << ::testing::PrintToString(log.messages());
  struct Row {
    const char* name;
    bool closed;
    std::size_t notices;  // so far
  };
  const Row rows[] = {
      {"closed", true, 1},
      {"opened", false, 2},
      {"closed again", true, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setSystemBoolProperty("org.freedesktop.UPower", "/org/freedesktop/UPower",
                          "org.freedesktop.UPower", "LidIsClosed", row.closed);
    EXPECT_TRUE(runMainLoopUntil([&] { return seen.size() >= row.notices; }));
    EXPECT_EQ(seen, std::vector<std::string>(row.notices, "VGXWorkspaceLidDidChangeNotification"));
  }
}

TEST_F(DesktopWatchesTest, TheScreenSaverIsTheScreensSleepingAndWaking) {
  PrivateSessionBus session;
  auto connection = openSessionConnection();
  bool installed = false;
  auto watch = platform::watchScreenSaver(
      *connection, [&installed](const platform::BusReply&) { installed = true; });
  ASSERT_TRUE(watch.has_value());
  ASSERT_TRUE(runMainLoopUntil([&] { return installed; }));
  struct Row {
    const char* name;
    const char* interface;
    const char* active;
    const char* posted;
  };
  const Row rows[] = {
      {"freedesktop screen saver on", "org.freedesktop.ScreenSaver", "true",
       "NSWorkspaceScreensDidSleepNotification"},
      {"freedesktop screen saver off", "org.freedesktop.ScreenSaver", "false",
       "NSWorkspaceScreensDidWakeNotification"},
      {"GNOME screen saver on", "org.gnome.ScreenSaver", "true",
       "NSWorkspaceScreensDidSleepNotification"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    seen.clear();
    emitAsStranger(session.folder(), {"--user", "/org/freedesktop/ScreenSaver", row.interface,
                                      "ActiveChanged", "b", row.active});
    EXPECT_TRUE(runMainLoopUntil([&] { return !seen.empty(); }));
    EXPECT_EQ(seen, std::vector<std::string>{row.posted});
  }
}

TEST(ClockChangeMonitorTest, ANewTimeZoneIsPosted) {
  TemporaryRoot root;
  const std::filesystem::path etc = root.pathFor("/etc");
  std::filesystem::create_directories(etc);
  std::filesystem::create_symlink("/usr/share/zoneinfo/UTC", etc / "localtime");
  int notices = 0;
  auto observer = platform::NotificationCenter::defaultCenter().addObserver(
      platform::kSystemTimeZoneDidChangeNotification, nullptr, nullptr,
      [&notices](const platform::Notification&) { ++notices; });
  auto monitor = platform::ClockChangeMonitor::start(platform::DescriptorSources::main());
  struct Row {
    const char* name;
    std::function<void()> change;
    int notices;  // so far
  };
  const Row rows[] = {
      {"the link replaced, as timedated does",
       [&] {
         std::filesystem::create_symlink("/usr/share/zoneinfo/Europe/Helsinki", etc / ".new");
         std::filesystem::rename(etc / ".new", etc / "localtime");
       },
       1},
      {"another file in /etc changes nothing; the zone replaced again is seen",
       [&] {
         std::ofstream(etc / "hostname") << "machine\n";
         std::filesystem::create_symlink("/usr/share/zoneinfo/UTC", etc / ".new");
         std::filesystem::rename(etc / ".new", etc / "localtime");
       },
       2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change();
    EXPECT_TRUE(runMainLoopUntil([&] { return notices >= row.notices; }));
    EXPECT_EQ(notices, row.notices);
  }
}

}  // namespace
}  // namespace vigilix::testing
