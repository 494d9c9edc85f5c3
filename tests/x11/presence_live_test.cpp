// Chat presence as the program runs it: the pointer of an X display (Xvfb), the screen lock and
// the idle hint of the user's session from logind, and the lid from UPower, on a private
// system bus.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <functional>
#include <vector>

#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/mock_logind_test_fixture.h"
#include "dbus/raw_arguments.h"
#include "direct/live_presence.h"
#include "hub/trigger_bridge.h"
#include "platform/dbus/bus_connection.h"
#include "platform/defaults/live_user_defaults.h"
#include "platform/system/logind_idle_time.h"
#include "platform/system/user_idle_time.h"
#include "platform/x11/x11_pointer.h"
#include "testing/temporary_root.h"
#include "x11/xvfb_display.h"

namespace vigilix::testing {
namespace {

constexpr const char* kSessionPath = "/org/freedesktop/login1/session/c1";
constexpr const char* kSession = "org.freedesktop.login1.Session";

void callSession(const char* member, const char* interface, const char* signature,
                 const std::function<int(sd_bus_message*)>& append) {
  auto bus = platform::BusConnection::openSystem();
  ASSERT_TRUE(bus.has_value());
  auto reply =
      bus->call({"org.freedesktop.login1", kSessionPath, interface, member}, rawArguments(append));
  ASSERT_TRUE(reply.has_value()) << signature << ": " << reply.error().description();
}

void sessionVerb(const char* member) {
  callSession(member, kSession, member, [](sd_bus_message*) { return 0; });
}

void setLockedHint(bool locked) {
  callSession("SetLockedHint", kSession, "b",
              [locked](sd_bus_message* m) { return sd_bus_message_append(m, "b", locked); });
}

// The user last touched the session ten minutes ago.
void idleForTenMinutes() {
  const auto at = std::chrono::system_clock::now() - std::chrono::minutes(10);
  const auto since = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count());
  callSession("Set", "org.freedesktop.DBus.Properties", "ssv", [since](sd_bus_message* m) {
    return sd_bus_message_append(m, "ssv", kSession, "IdleSinceHint", "t", since);
  });
}

using PresenceLiveTest = MockLogindTest;

TEST_F(PresenceLiveTest, TheRunningFeatureNudgesAndReturnsAndALockedSessionStopsIt) {
  if (!XvfbDisplay::available()) GTEST_SKIP() << "no Xvfb";
  TemporaryRoot root;
  addLogindSession();
  idleForTenMinutes();
  // A desktop machine: no lid, which counts as open.
  DbusMock upower(bus(), "upower", "org.freedesktop.UPower", R"({"LidIsPresent": false})");
  XvfbDisplay server;
  auto hand = platform::X11Pointer::open(server.name());
  ASSERT_TRUE(hand.has_value()) << hand.error();
  const auto pointerAt = [&] {
    const auto at = (*hand)->position();
    return at ? VGXPoint{at->x, at->y} : VGXPoint{-1, -1};
  };

  auto idle = std::make_shared<platform::LogindIdleTime>("c1");
  platform::UserIdleTime::setCurrent(idle.get());
  platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
  std::vector<bool> hubTold;
  auto feature = VGXLivePresence::make(
      defaults, {.session = {server.name(), "", "x11"},
                 .systemBus = []() -> std::shared_ptr<platform::AsyncBusConnection> {
                   auto bus = platform::AsyncBusConnection::open(platform::BusKind::System);
                   return bus ? std::shared_ptr<platform::AsyncBusConnection>(std::move(*bus))
                              : nullptr;
                 },
                 .lookup = {.sessionId = "c1", .pid = 0},
                 // The hub keeps the computer awake.
                 .effectiveAwake = [] { return true; },
                 .setPosting = [&hubTold](bool posting) { hubTold.push_back(posting); }});
  feature->install();
  ASSERT_TRUE(runMainLoopUntil([&] {
    const auto gates = feature->gatherGates();
    return gates.lock == VGXLockState::unlocked && gates.lidClosed == false &&
           gates.idleSeconds.value_or(0) > 60;
  })) << "the session, the lid and the idle hint are read";
  feature->requestAccess();
  EXPECT_EQ(feature->accessState(), VGXPresenceAccessState::ready) << "Xvfb offers XTest";

  struct Row {
    const char* name;
    std::function<void()> act;
    VGXLockState lock;
    bool nudged;
  };
  const Row rows[] = {
      {"unlocked and idle: nudged and put back", [] {}, VGXLockState::unlocked, true},
      {"the session's Lock signal: no nudge", [] { sessionVerb("Lock"); }, VGXLockState::locked,
       false},
      {"the locker's hint follows: still none", [] { setLockedHint(true); }, VGXLockState::locked,
       false},
      {"unlocked again", [] { setLockedHint(false); }, VGXLockState::unlocked, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.act();
    ASSERT_TRUE(runMainLoopUntil([&] { return feature->gatherGates().lock == row.lock; }));
    ASSERT_TRUE((*hand)->moveTo({100, 100}));
    idleForTenMinutes();
    ASSERT_TRUE(runMainLoopUntil([&] { return feature->gatherGates().idleSeconds > 500; }));
    // Switched on, the poster's first tick comes at once, as every minute after.
    const auto before = feature->poster().postedCount();
    EXPECT_EQ(feature->setEnabled(true), VGXPresenceSetResult::ok);
    EXPECT_EQ(feature->poster().postedCount() - before, row.nudged ? 1 : 0);
    EXPECT_EQ(pointerAt(), (row.nudged ? VGXPoint{101, 100} : VGXPoint{100, 100}));
    if (row.nudged) {
      EXPECT_TRUE(runMainLoopUntil([&] { return feature->poster().lastResult().has_value(); }));
      EXPECT_TRUE(runMainLoopUntil([&] {
        return pointerAt() == VGXPoint{100, 100};
      })) << "put back";
      ASSERT_TRUE(feature->poster().lastResult().has_value());
      EXPECT_EQ(feature->poster().lastResult()->kind, VGXPresenceLastResult::Kind::moved);
      EXPECT_TRUE(feature->poster().lastResult()->returned);
    } else {
      ASSERT_TRUE(feature->poster().lastResult().has_value());
      EXPECT_EQ(feature->poster().lastResult()->kind, VGXPresenceLastResult::Kind::skipped);
      EXPECT_EQ(feature->poster().lastResult()->reason, VGXPresenceSkip::locked);
    }
    EXPECT_EQ(hubTold, std::vector<bool>{true}) << "the hub hears of the posting once";
    feature->setEnabled(false);
    hubTold.clear();
  }
  platform::UserIdleTime::setCurrent(nullptr);
}

}  // namespace
}  // namespace vigilix::testing
