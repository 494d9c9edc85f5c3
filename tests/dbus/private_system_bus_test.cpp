#include "dbus/private_system_bus.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>

namespace vigilix::testing {
namespace {

std::optional<std::string> systemBusVariable() {
  const char* value = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

TEST(PrivateSystemBusTest, NamesItselfOnlyWhileItLives) {
  const auto before = systemBusVariable();
  std::filesystem::path folder;
  pid_t mock = 0;
  {
    PrivateSystemBus bus;
    folder = bus.folder();
    EXPECT_EQ(systemBusVariable(), bus.address());
    EXPECT_EQ(bus.address(), "unix:path=" + (folder / "system_bus_socket").string());
    EXPECT_TRUE(bus.hasOwner("org.freedesktop.DBus"));
    EXPECT_FALSE(bus.hasOwner("org.freedesktop.login1"));

    DbusMock logind(bus, logindInhibitTemplate(), "org.freedesktop.login1");
    mock = logind.pid();
    EXPECT_TRUE(bus.hasOwner("org.freedesktop.login1"));
    logind.kill();
    EXPECT_FALSE(bus.hasOwner("org.freedesktop.login1"));
  }
  EXPECT_EQ(systemBusVariable(), before);
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_NE(::kill(mock, 0), 0);
}

TEST(PrivateSystemBusTest, AMockThatCannotStartIsReportedWithItsLog) {
  PrivateSystemBus bus;
  try {
    DbusMock broken(bus, (bus.folder() / "no_such_template.py").string(), "org.example.None");
    ADD_FAILURE() << "a mock without its template started";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("org.example.None"), std::string::npos);
  }
}

TEST(PrivateSystemBusTest, WaitsForAConditionUntilTheDeadline) {
  int looks = 0;
  EXPECT_TRUE(waitUntil([&] { return ++looks == 3; }));
  EXPECT_EQ(looks, 3);
  EXPECT_FALSE(waitUntil([] { return false; }, std::chrono::milliseconds(20)));
}

}  // namespace
}  // namespace vigilix::testing
