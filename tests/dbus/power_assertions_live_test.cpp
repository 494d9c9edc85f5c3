// Power assertions as logind locks and desktop inhibitions, on private buses.

#include <unistd.h>

#include <cstdlib>

#include "core/sleep_wake_timer.h"
#include "dbus/mock_logind_test_fixture.h"
#include "platform/power/logind_power_assertions.h"
#include "platform/runloop/live_serial_queue.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

using platform::DesktopSessionInhibitor;
using platform::Lock;
using platform::LockError;
using platform::LockKind;
using platform::LogindInhibitor;
using platform::LogindPowerAssertions;

std::unique_ptr<LogindPowerAssertions> makeAssertions(
    std::shared_ptr<platform::SessionInhibitor> session = nullptr) {
  return std::make_unique<LogindPowerAssertions>(LogindPowerAssertions::Services{
      std::make_shared<platform::LiveLogindInhibitors>(), std::move(session),
      std::make_shared<platform::LiveSerialQueue>("test.power-assertions")});
}

std::vector<LogindInhibitor> ownLocks() { return locksOf(::getpid()); }

// gnome-session's InhibitedActions on the session bus; none when unreadable.
std::optional<std::uint32_t> gnomeInhibitedActions() {
  auto bus = platform::BusConnection::open(platform::BusKind::Session);
  if (!bus) return std::nullopt;
  auto actions =
      bus->property<std::uint32_t>("org.gnome.SessionManager", "/org/gnome/SessionManager",
                                   "org.gnome.SessionManager", "InhibitedActions");
  if (!actions) return std::nullopt;
  return *actions;
}

class PowerAssertionsLiveTest : public MockLogindTest {};

TEST_F(PowerAssertionsLiveTest, ALockLivesFromTakeToReleaseUnderItsReason) {
  struct Row {
    const char* name;
    LockKind kind;
    const char* what;
  };
  const Row rows[] = {
      {"display may sleep", LockKind::systemSleep, "sleep"},
      {"display stays on", LockKind::displayAndSystemSleep, "idle:sleep"},
  };
  auto assertions = makeAssertions();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string name = std::string("Vigilix: ") + row.name;
    const auto created = assertions->take(row.kind, name);
    ASSERT_TRUE(created);
    const LogindInhibitor lock{row.what, "Vigilix",  name,
                               "block",  ::getuid(), static_cast<std::uint32_t>(::getpid())};
    EXPECT_TRUE(waitUntil([&] { return ownLocks() == std::vector{lock}; }));

    // An unchanged lock is kept as it is: no second lock is asked for.
    EXPECT_EQ(assertions->replace(*created, row.kind, name), created);
    EXPECT_EQ(assertions->heldLock(*created), (Lock{row.kind, name}));
    EXPECT_TRUE(waitUntil([&] {
      auto all = assertions->locksByProcess();
      return all && (*all)[::getpid()] == std::vector{Lock{row.kind, name}};
    }));

    EXPECT_TRUE(assertions->release(*created));
    EXPECT_FALSE(assertions->heldLock(*created));
    EXPECT_TRUE(waitUntil([&] { return ownLocks().empty(); }));
    EXPECT_EQ(assertions->release(*created), std::unexpected(LockError::notFound));
  }
}

TEST_F(PowerAssertionsLiveTest, AVanishedLockIsSeenAndTheTimerRepairsItOnceLogindIsBack) {
  TestPlatform platform;
  CapturedLog log;
  auto assertions = makeAssertions();
  auto environment = DZLSleepWakeTimer::Environment::current();
  environment.assertions = assertions.get();
  auto timer = DZLSleepWakeTimer::make(environment);
  timer->setReason(std::string("Build"));
  ASSERT_TRUE(timer->scheduleWithTimeInterval(0));
  ASSERT_TRUE(waitUntil([] { return ownLocks().size() == 1; }));

  logind().kill();
  EXPECT_TRUE(waitUntil([&] { return timer->currentAssertionIDs().empty(); }));
  EXPECT_TRUE(log.contains("The inhibitor lock for \"Vigilix: Build\" vanished."));
  EXPECT_TRUE(timer->scheduled());

  DbusMock again(bus(), logindInhibitTemplate(), "org.freedesktop.login1");
  EXPECT_TRUE(timer->repair());
  EXPECT_TRUE(waitUntil([] {
    const auto locks = ownLocks();
    return locks.size() == 1 && locks[0].why == "Vigilix: Build";
  }));
  EXPECT_FALSE(timer->currentAssertionIDs().empty());
  timer->invalidate();
  EXPECT_TRUE(waitUntil([] { return ownLocks().empty(); }));
}

// Points DBUS_SYSTEM_BUS_ADDRESS elsewhere while it lives.
class SystemBusAddress {
 public:
  explicit SystemBusAddress(const std::string& address) {
    if (const char* value = std::getenv(kVariable)) former_ = value;
    ::setenv(kVariable, address.c_str(), 1);
  }
  ~SystemBusAddress() {
    if (former_) {
      ::setenv(kVariable, former_->c_str(), 1);
    } else {
      ::unsetenv(kVariable);
    }
  }

 private:
  static constexpr const char* kVariable = "DBUS_SYSTEM_BUS_ADDRESS";
  std::optional<std::string> former_;
};

TEST(PowerAssertionsWithoutLogindTest, CreateFailsWithTheErrorAndTheTimerTakesItsFailurePath) {
  struct Row {
    const char* name;
    bool systemBus;
  };
  const Row rows[] = {{"no system bus", false}, {"no logind on the system bus", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TestPlatform platform;
    CapturedLog log;
    std::optional<PrivateSystemBus> bus;
    std::optional<SystemBusAddress> missing;
    if (row.systemBus) {
      bus.emplace();
    } else {
      missing.emplace("unix:path=/nonexistent/vigilix-test/system_bus_socket");
    }
    auto assertions = makeAssertions();
    ASSERT_TRUE(waitUntil([&] { return assertions->logindReachable().has_value(); }));
    EXPECT_EQ(assertions->logindReachable(), false);

    auto environment = DZLSleepWakeTimer::Environment::current();
    environment.assertions = assertions.get();
    auto timer = DZLSleepWakeTimer::make(environment);
    EXPECT_TRUE(timer->scheduleWithTimeInterval(0));
    EXPECT_FALSE(timer->scheduled());
    EXPECT_TRUE(timer->lastCreateFailed());
    EXPECT_EQ(timer->lastCreateResult(), LockError::unavailable);
    EXPECT_EQ(timer->expectedAssertionTypes().size(), 1u);
    EXPECT_FALSE(timer->repair());
    EXPECT_TRUE(log.containsFragment("logind cannot be reached"));
  }
}

TEST(DesktopSessionInhibitorLiveTest, InhibitsThroughTheDesktopsServiceOrSkipsQuietly) {
  struct Row {
    const char* name;
    bool desktop;
    bool display;
    std::optional<std::uint32_t> actions;
  };
  const Row rows[] = {
      {"suspend", true, false, 4},
      {"suspend and idle", true, true, 12},
      {"no desktop service", false, false, std::nullopt},
  };
  PrivateSessionBus bus;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CapturedLog log;
    std::optional<DbusMock> desktop;
    if (row.desktop)
      desktop.emplace(bus, gnomeSessionInhibitTemplate(), "org.gnome.SessionManager");
    DesktopSessionInhibitor inhibitor;
    const auto held = inhibitor.inhibit(row.display, "Vigilix: Build");
    ASSERT_EQ(held.has_value(), row.actions.has_value());
    if (!held) {
      EXPECT_EQ(held.error(), platform::SessionInhibitFailure::noService);
      EXPECT_EQ(log.count(platform::LogLevel::Error), 0u);
      continue;
    }
    EXPECT_EQ(gnomeInhibitedActions(), row.actions);
    inhibitor.uninhibit(*held);
    EXPECT_EQ(gnomeInhibitedActions(), 0u);
  }
}

TEST_F(PowerAssertionsLiveTest, TheLiveAssertionsHoldTheDesktopOffBesideTheLock) {
  PrivateSessionBus session;
  DbusMock desktop(session, gnomeSessionInhibitTemplate(), "org.gnome.SessionManager");
  LogindPowerAssertions assertions;
  const auto created = assertions.take(LockKind::displayAndSystemSleep, "Vigilix: Build");
  ASSERT_TRUE(created);
  EXPECT_TRUE(waitUntil([] { return ownLocks().size() == 1 && gnomeInhibitedActions() == 12u; }));
  (void)assertions.release(*created);
  EXPECT_TRUE(waitUntil([] { return ownLocks().empty() && gnomeInhibitedActions() == 0u; }));
}

}  // namespace
}  // namespace vigilix::testing
