// The screen lock from the user's logind session, on a private system bus with the mock logind.

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/mock_logind_test_fixture.h"
#include "dbus/raw_arguments.h"
#include "direct/lock/lock_state_monitor.h"
#include "platform/dbus/bus_connection.h"
#include "platform/defaults/live_user_defaults.h"
#include "testing/temporary_root.h"

namespace vigilix::testing {
namespace {

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/c1";
constexpr const char* kSession = "org.freedesktop.login1.Session";

void callSession(const char* member, const std::function<int(sd_bus_message*)>& append) {
  auto bus = platform::BusConnection::openSystem();
  ASSERT_TRUE(bus.has_value());
  auto reply =
      bus->call({"org.freedesktop.login1", kSessionPath, kSession, member}, rawArguments(append));
  ASSERT_TRUE(reply.has_value()) << reply.error().description();
}

void setActive(bool active) {
  auto bus = platform::BusConnection::openSystem();
  ASSERT_TRUE(bus.has_value());
  auto reply =
      bus->call({"org.freedesktop.login1", kSessionPath, "org.freedesktop.DBus.Properties", "Set"},
                [&](platform::BusArgumentWriter& out) {
                  out.string(kSession).string("Active").variant(active);
                });
  ASSERT_TRUE(reply.has_value()) << reply.error().description();
}

std::vector<std::string> lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> all;
  for (std::string line; std::getline(in, line);) all.push_back(line);
  return all;
}

using LockStateMonitorLiveTest = MockLogindTest;

TEST_F(LockStateMonitorLiveTest, LockUnlockAndSessionSwitchesArriveInOrderAndTheLogStaysCapped) {
  TemporaryRoot root;
  addLogindSession();
  platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
  defaults.set(kPresenceLockDiagnosticsKey, true);
  const auto log = root.home() / "presence-lock.log";
  // A log nearly full already: what the monitor adds pushes its oldest lines out.
  const std::string filler = std::string(99, 'x') + "\n";
  {
    std::ofstream out(log);
    for (int i = 0; i < 2621; ++i) out << filler;
  }
  auto bus = platform::AsyncBusConnection::open(platform::BusKind::System);
  ASSERT_TRUE(bus.has_value());
  VGXLockStateMonitor monitor(defaults, log);
  std::vector<VGXLockState> states;
  monitor.onChange = [&] { states.push_back(monitor.state()); };
  monitor.start(std::shared_ptr<platform::AsyncBusConnection>(std::move(*bus)),
                {.sessionId = "c1", .pid = 0});

  struct Row {
    const char* name;
    std::function<void()> act;
    const char* source;
    VGXLockState state;
  };
  const auto hint = [](bool locked) {
    return [locked] {
      callSession("SetLockedHint",
                  [locked](sd_bus_message* m) { return sd_bus_message_append(m, "b", locked); });
    };
  };
  const auto signal = [](const char* member) {
    return [member] { callSession(member, [](sd_bus_message*) { return 0; }); };
  };
  const Row rows[] = {
      {"the first reading", [] {}, "initial", VGXLockState::unlocked},
      {"the Lock signal", signal("Lock"), "screenIsLocked", VGXLockState::locked},
      {"the locker sets the hint", hint(true), "screenIsLocked", VGXLockState::locked},
      {"Unlock while the hint still says locked", signal("Unlock"), "screenIsUnlocked",
       VGXLockState::locked},
      {"the hint cleared", hint(false), "screenIsUnlocked", VGXLockState::unlocked},
      {"another session takes the seat", [] { setActive(false); }, "sessionDidResignActive",
       VGXLockState::locked},
      {"the session comes back", [] { setActive(true); }, "sessionDidBecomeActive",
       VGXLockState::unlocked},
  };
  std::size_t seen = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.act();
    ++seen;
    ASSERT_TRUE(runMainLoopUntil([&] { return states.size() >= seen; }));
    EXPECT_EQ(states.back(), row.state);
    const auto written = lines(log);
    ASSERT_FALSE(written.empty());
    EXPECT_NE(written.back().find(std::string(" source=") + row.source + " "), std::string::npos)
        << written.back();
  }
  EXPECT_EQ(states.size(), std::size(rows));
  EXPECT_LE(std::filesystem::file_size(log), kLockLogMaxBytes);
  const auto written = lines(log);
  EXPECT_EQ(written.front(), filler.substr(0, 99));
  EXPECT_NE(written.back().find("source=sessionDidBecomeActive"), std::string::npos);
}

}  // namespace
}  // namespace vigilix::testing
