// Locking the user's session through a logind mock on a private system bus.

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include "dbus/main_loop_waiting.h"
#include "dbus/mock_calls.h"
#include "dbus/mock_logind_test_fixture.h"
#include "platform/power/session_locker.h"
#include "testing/captured_log.h"

namespace vigilix::testing {
namespace {

class SessionLockerTest : public MockLogindTest {};

TEST_F(SessionLockerTest, TheSessionFoundByIdIsLockedEachTimeAndAMissingOneIsLogged) {
  callLogind("org.freedesktop.DBus.Mock", "AddSeat",
             [](sd_bus_message* m) { return sd_bus_message_append(m, "s", "seat0"); });
  callLogind("org.freedesktop.DBus.Mock", "AddUser",
             [](sd_bus_message* m) { return sd_bus_message_append(m, "usb", 1000u, "tester", 1); });
  callLogind("org.freedesktop.DBus.Mock", "AddSession", [](sd_bus_message* m) {
    return sd_bus_message_append(m, "ssusb", "c7", "seat0", 1000u, "tester", 1);
  });
  auto bus = platform::AsyncBusConnection::open(platform::BusKind::System);
  ASSERT_TRUE(bus.has_value());
  std::shared_ptr<platform::AsyncBusConnection> shared(std::move(*bus));
  const MockObject session{"org.freedesktop.login1", "/org/freedesktop/login1/session/c7"};
  CapturedLog log;

  struct Row {
    const char* name;
    const char* sessionId;
    std::size_t locks;  // so far
    const char* logged;
  };
  const Row rows[] = {
      {"our session", "c7", 1, "The session is locked"},
      {"again", "c7", 2, "The session is locked"},
      {"a session logind does not know", "nope", 2, "The session cannot be locked"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    log.clear();
    platform::LogindSessionLocker locker(shared, {row.sessionId, 0});
    locker.lock();
    EXPECT_TRUE(runMainLoopUntil([&] { return log.containsFragment(row.logged); }))
        << ::testing::PrintToString(log.messages());
    EXPECT_EQ(mockMethodCalls(session, "Lock", platform::BusKind::System).size(), row.locks);
  }
}

}  // namespace
}  // namespace vigilix::testing
