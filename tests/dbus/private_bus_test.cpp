#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

#include "dbus/dbus_mock.h"

namespace vigilix::testing {
namespace {

std::optional<std::string> variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

TEST(PrivateBusTest, NamesItselfOnlyWhileItLivesAndServesMocks) {
  struct Row {
    const char* name;
    platform::BusKind kind;
    const char* variable;
    const char* socket;
    std::string mockTemplate;
    const char* mockName;
  };
  const Row rows[] = {
      {"system", platform::BusKind::System, "DBUS_SYSTEM_BUS_ADDRESS", "system_bus_socket",
       logindInhibitTemplate(), "org.freedesktop.login1"},
      {"session", platform::BusKind::Session, "DBUS_SESSION_BUS_ADDRESS", "session_bus_socket",
       "notification_daemon", "org.freedesktop.Notifications"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto before = variable(row.variable);
    std::filesystem::path folder;
    pid_t mock = 0;
    {
      PrivateBus bus(row.kind);
      folder = bus.folder();
      EXPECT_EQ(variable(row.variable), bus.address());
      EXPECT_EQ(bus.address(), "unix:path=" + (folder / row.socket).string());
      EXPECT_TRUE(bus.hasOwner("org.freedesktop.DBus"));
      EXPECT_FALSE(bus.hasOwner(row.mockName));

      DbusMock service(bus, row.mockTemplate, row.mockName);
      mock = service.pid();
      EXPECT_TRUE(bus.hasOwner(row.mockName));
      service.kill();
      EXPECT_FALSE(bus.hasOwner(row.mockName));
    }
    EXPECT_EQ(variable(row.variable), before);
    EXPECT_FALSE(std::filesystem::exists(folder));
    EXPECT_NE(::kill(mock, 0), 0);
  }
}

TEST(PrivateBusTest, AMockThatCannotStartIsReportedWithItsLog) {
  PrivateSystemBus bus;
  try {
    DbusMock broken(bus, (bus.folder() / "no_such_template.py").string(), "org.example.None");
    ADD_FAILURE() << "a mock without its template started";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("org.example.None"), std::string::npos);
  }
}

TEST(PrivateBusTest, WaitsForAConditionUntilTheDeadline) {
  int looks = 0;
  EXPECT_TRUE(waitUntil([&] { return ++looks == 3; }));
  EXPECT_EQ(looks, 3);
  EXPECT_FALSE(waitUntil([] { return false; }, std::chrono::milliseconds(20)));
}

}  // namespace
}  // namespace vigilix::testing
