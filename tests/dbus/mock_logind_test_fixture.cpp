#include "dbus/mock_logind_test_fixture.h"

#include <systemd/sd-bus.h>

#include <algorithm>
#include <exception>

#include "dbus/raw_arguments.h"
#include "platform/dbus/bus_connection.h"

namespace vigilix::testing {

namespace {

// The template's own interface, for what tests make logind do.
constexpr const char* kTestInterface = "run.tarvo.vigilix.MockLogind";

}  // namespace

std::unique_ptr<PrivateSystemBus> MockLogindTest::bus_;
std::unique_ptr<DbusMock> MockLogindTest::logind_;

std::vector<platform::LogindInhibitor> locksOf(pid_t pid) {
  auto locks = platform::LiveLogindInhibitors().listInhibitors();
  EXPECT_TRUE(locks.has_value()) << locks.error().description();
  std::vector<platform::LogindInhibitor> found;
  if (!locks) return found;
  std::copy_if(locks->begin(), locks->end(), std::back_inserter(found),
               [pid](const platform::LogindInhibitor& lock) {
                 return lock.pid == static_cast<std::uint32_t>(pid);
               });
  return found;
}

void MockLogindTest::TearDownTestSuite() {
  logind_.reset();
  bus_.reset();
}

void MockLogindTest::SetUp() {
  try {
    if (!bus_) bus_ = std::make_unique<PrivateSystemBus>();
    if (!logind_ || !bus_->hasOwner("org.freedesktop.login1")) {
      logind_.reset();
      logind_ =
          std::make_unique<DbusMock>(*bus_, logindInhibitTemplate(), "org.freedesktop.login1");
    }
  } catch (const std::exception& error) {
    FAIL() << error.what();
  }
}

void callLogind(const char* interface, const char* member,
                const std::function<int(sd_bus_message*)>& append) {
  auto bus = platform::BusConnection::openSystem();
  ASSERT_TRUE(bus.has_value()) << bus.error().description();
  auto reply = bus->call({"org.freedesktop.login1", "/org/freedesktop/login1", interface, member},
                         rawArguments(append));
  ASSERT_TRUE(reply.has_value()) << reply.error().description();
}

void emitPrepareForSleep(bool sleeping) {
  callLogind("org.freedesktop.DBus.Mock", "EmitSignal", [sleeping](sd_bus_message* message) {
    return sd_bus_message_append(message, "sssav", "org.freedesktop.login1.Manager",
                                 "PrepareForSleep", "b", 1, "b", sleeping ? 1 : 0);
  });
}

void dropBlockLocks() {
  callLogind(kTestInterface, "DropLocks", [](sd_bus_message*) { return 0; });
}

void refuseBlockLocks(bool refuse) {
  callLogind("org.freedesktop.DBus.Properties", "Set", [refuse](sd_bus_message* message) {
    return sd_bus_message_append(message, "ssv", kTestInterface, "RefuseBlockLocks", "b",
                                 refuse ? 1 : 0);
  });
}

void setReleaseLag(std::uint32_t milliseconds) {
  callLogind("org.freedesktop.DBus.Properties", "Set", [milliseconds](sd_bus_message* message) {
    return sd_bus_message_append(message, "ssv", kTestInterface, "ReleaseLagMs", "u", milliseconds);
  });
}

void setLidClosed(bool closed) {
  callLogind("org.freedesktop.DBus.Properties", "Set", [closed](sd_bus_message* message) {
    return sd_bus_message_append(message, "ssv", "org.freedesktop.login1.Manager", "LidClosed", "b",
                                 closed ? 1 : 0);
  });
}

void addLogindSession() {
  callLogind("org.freedesktop.DBus.Mock", "AddSeat",
             [](sd_bus_message* m) { return sd_bus_message_append(m, "s", "seat0"); });
  callLogind("org.freedesktop.DBus.Mock", "AddUser",
             [](sd_bus_message* m) { return sd_bus_message_append(m, "usb", 1000u, "tester", 1); });
  callLogind("org.freedesktop.DBus.Mock", "AddSession", [](sd_bus_message* m) {
    return sd_bus_message_append(m, "ssusb", "c1", "seat0", 1000u, "tester", 1);
  });
}

void addSeatSession(const char* id, const char* seat, std::uint32_t uid, const char* name,
                    bool active) {
  callLogind("org.freedesktop.DBus.Mock", "AddSession", [&](sd_bus_message* m) {
    return sd_bus_message_append(m, "ssusb", id, seat, uid, name, active ? 1 : 0);
  });
}

void addRemoteSession(const char* id, std::uint32_t uid, const char* name) {
  callLogind("org.freedesktop.DBus.Mock", "AddRemoteSession", [&](sd_bus_message* m) {
    return sd_bus_message_append(m, "susss", id, uid, name, "192.0.2.7", "pts/0");
  });
}

void setSessionFlag(const char* id, const char* name, bool value) {
  auto bus = platform::BusConnection::openSystem();
  ASSERT_TRUE(bus.has_value()) << bus.error().description();
  const std::string path = std::string("/org/freedesktop/login1/session/") + id;
  auto reply =
      bus->call({"org.freedesktop.login1", path.c_str(), "org.freedesktop.DBus.Properties", "Set"},
                rawArguments([&](sd_bus_message* m) {
                  return sd_bus_message_append(m, "ssv", "org.freedesktop.login1.Session", name,
                                               "b", value ? 1 : 0);
                }));
  ASSERT_TRUE(reply.has_value()) << reply.error().description();
}

}  // namespace vigilix::testing
