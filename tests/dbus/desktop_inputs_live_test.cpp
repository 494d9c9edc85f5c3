// The Wi-Fi network name from a NetworkManager mock and the idle time from a
// logind mock, each on a private system bus.

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/raw_arguments.h"
#include "platform/dbus/bus_connection.h"
#include "platform/system/logind_idle_time.h"
#include "platform/system/network_manager_wifi.h"
#include "testing/captured_log.h"

namespace vigilix::testing {
namespace {

constexpr const char* kNetworkManager = "org.freedesktop.NetworkManager";
constexpr const char* kManagerPath = "/org/freedesktop/NetworkManager";
constexpr const char* kActive = "org.freedesktop.NetworkManager.Connection.Active";
constexpr const char* kMock = "org.freedesktop.DBus.Mock";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";

// Calls a method of the mock on the system bus in force; the reply's one
// string, when it has one. A failed call fails the test.
std::string call(const char* service, const std::string& path, const char* interface,
                 const char* member, const std::function<int(sd_bus_message*)>& append) {
  auto bus = platform::BusConnection::openSystem();
  if (!bus) {
    ADD_FAILURE() << "no system bus";
    return "";
  }
  auto reply = bus->call({service, path.c_str(), interface, member}, rawArguments(append));
  if (!reply) {
    ADD_FAILURE() << member << ": " << reply.error().description();
    return "";
  }
  const char* text = nullptr;
  return sd_bus_message_read(reply->get(), "s", &text) > 0 ? text : "";
}

std::string callNetworkManager(const char* member,
                               const std::function<int(sd_bus_message*)>& append) {
  return call(kNetworkManager, kManagerPath, kMock, member, append);
}

void setProperty(const char* service, const std::string& path, const char* interface,
                 const char* name, const std::function<int(sd_bus_message*)>& appendValue) {
  call(service, path, kProperties, "Set", [&](sd_bus_message* message) {
    const int r = sd_bus_message_append(message, "ss", interface, name);
    return r < 0 ? r : appendValue(message);
  });
}

std::function<int(sd_bus_message*)> objectPath(const std::string& path) {
  return [path](sd_bus_message* m) { return sd_bus_message_append(m, "v", "o", path.c_str()); };
}

// One system bus for the suite: the process's shared connection to it
// outlives each test's services.
class DesktopInputsLiveTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { bus_ = std::make_unique<PrivateSystemBus>(); }
  static void TearDownTestSuite() { bus_.reset(); }
  static PrivateSystemBus& bus() { return *bus_; }

 private:
  static std::unique_ptr<PrivateSystemBus> bus_;
};
std::unique_ptr<PrivateSystemBus> DesktopInputsLiveTest::bus_;

TEST_F(DesktopInputsLiveTest, TheWiFiNameIsThePrimaryWiFiConnectionsAccessPointAndFollowsIt) {
  CapturedLog log;
  std::optional<DbusMock> daemon(std::in_place, bus(), "networkmanager", kNetworkManager);
  // The stock mock has no primary connection of its own.
  callNetworkManager("AddProperty", [](sd_bus_message* m) {
    return sd_bus_message_append(m, "ssv", kNetworkManager, "PrimaryConnection", "o", "/");
  });
  const std::string device = callNetworkManager("AddWiFiDevice", [](sd_bus_message* m) {
    return sd_bus_message_append(m, "ssi", "wlan0dev", "wlan0", 100);
  });
  const auto addPoint = [&](const char* name, const char* ssid) {
    return callNetworkManager("AddAccessPoint", [&](sd_bus_message* m) {
      return sd_bus_message_append(m, "ssssuuuyu", device.c_str(), name, ssid, "00:11:22:33:44:55",
                                   2u, 2412u, 5400u, 80, 0u);
    });
  };
  const std::string office = addPoint("office", "Office");
  const std::string home = addPoint("home", "Home ☕");
  const std::string connection = callNetworkManager("AddWiFiConnection", [&](sd_bus_message* m) {
    return sd_bus_message_append(m, "ssss", device.c_str(), "office", "Office", "none");
  });
  const std::string active = callNetworkManager("AddActiveConnection", [&](sd_bus_message* m) {
    return sd_bus_message_append(m, "assssu", 1, device.c_str(), connection.c_str(), office.c_str(),
                                 "primary", 2u);
  });

  platform::NetworkManagerWiFi wifi;
  struct Row {
    const char* name;
    std::function<void()> change;
    std::optional<std::string> ssid;
  };
  const Row rows[] = {
      {"no primary connection", [] {}, std::nullopt},
      {"a Wi-Fi connection becomes primary",
       [&] {
         setProperty(kNetworkManager, kManagerPath, kNetworkManager, "PrimaryConnection",
                     objectPath(active));
       },
       "Office"},
      {"it roams to another access point",
       [&] { setProperty(kNetworkManager, active, kActive, "SpecificObject", objectPath(home)); },
       "Home ☕"},
      {"a name that is not UTF-8",
       [&] {
         setProperty(kNetworkManager, home, "org.freedesktop.NetworkManager.AccessPoint", "Ssid",
                     [](sd_bus_message* m) {
                       const std::uint8_t bytes[] = {0xff, 0xfe, 'x'};
                       int r = sd_bus_message_open_container(m, 'v', "ay");
                       if (r >= 0) r = sd_bus_message_append_array(m, 'y', bytes, sizeof bytes);
                       return r < 0 ? r : sd_bus_message_close_container(m);
                     });
       },
       std::nullopt},
      {"back to the first access point",
       [&] { setProperty(kNetworkManager, active, kActive, "SpecificObject", objectPath(office)); },
       "Office"},
      {"the primary connection is no longer Wi-Fi",
       [&] {
         setProperty(kNetworkManager, active, kActive, "Type", [](sd_bus_message* m) {
           return sd_bus_message_append(m, "v", "s", "802-3-ethernet");
         });
       },
       std::nullopt},
      {"Wi-Fi again",
       [&] {
         setProperty(kNetworkManager, active, kActive, "Type", [](sd_bus_message* m) {
           return sd_bus_message_append(m, "v", "s", "802-11-wireless");
         });
       },
       "Office"},
      {"the primary connection goes",
       [&] {
         setProperty(kNetworkManager, kManagerPath, kNetworkManager, "PrimaryConnection",
                     objectPath("/"));
       },
       std::nullopt},
      {"and comes back",
       [&] {
         setProperty(kNetworkManager, kManagerPath, kNetworkManager, "PrimaryConnection",
                     objectPath(active));
       },
       "Office"},
      {"NetworkManager stops", [&] { daemon->kill(); }, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.change();
    EXPECT_TRUE(runMainLoopUntil([&] { return wifi.ssid() == row.ssid; }));
    EXPECT_EQ(wifi.ssid(), row.ssid);
  }
}

TEST(NetworkManagerWiFiTest, OnlyUtf8SsidsAreNames) {
  struct Row {
    const char* name;
    std::string bytes;
    std::optional<std::string> name_;
  };
  const Row rows[] = {
      {"plain", "Office", "Office"},
      {"beyond ASCII", "Caf\xc3\xa9", "Caf\xc3\xa9"},
      {"empty (hidden network)", "", std::nullopt},
      {"Latin-1 bytes", "Caf\xe9", std::nullopt},
      {"a cut sequence", "ab\xe2\x98", std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(platform::networkNameFromSsid(row.bytes), row.name_);
  }
}

std::uint64_t microsecondsSince1970(std::chrono::seconds ago) {
  const auto at = std::chrono::system_clock::now() - ago;
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::microseconds>(at.time_since_epoch()).count());
}

TEST_F(DesktopInputsLiveTest, TheSessionsIdleHintGivesTheTimeSinceTheLastInput) {
  CapturedLog log;
  std::optional<DbusMock> logind(std::in_place, bus(), "logind", "org.freedesktop.login1");
  const std::string session =
      call("org.freedesktop.login1", "/org/freedesktop/login1", kMock, "AddSession",
           [](sd_bus_message* m) {
             return sd_bus_message_append(m, "ssusb", "c7", "seat0", 1000u, "user", 1);
           });
  platform::LogindIdleTime idle("c7");
  const auto setHint = [&](std::uint64_t since) {
    setProperty("org.freedesktop.login1", session, "org.freedesktop.login1.Session",
                "IdleSinceHint",
                [since](sd_bus_message* m) { return sd_bus_message_append(m, "v", "t", since); });
  };
  const auto near = [&](double seconds) {
    const std::optional<double> reading = idle.secondsSinceLastInput();
    return reading && std::abs(*reading - seconds) < 5;
  };

  struct Row {
    const char* name;
    std::optional<std::chrono::seconds> ago;  // none: no hint (0)
    std::optional<double> seconds;
  };
  const Row rows[] = {
      {"input ten minutes ago", std::chrono::seconds(600), 600},
      {"input half a minute ago", std::chrono::seconds(30), 30},
      {"no hint", std::nullopt, std::nullopt},
      {"input two hours ago", std::chrono::seconds(7200), 7200},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setHint(row.ago ? microsecondsSince1970(*row.ago) : 0);
    if (row.seconds) {
      EXPECT_TRUE(runMainLoopUntil([&] { return near(*row.seconds); }));
    } else {
      EXPECT_TRUE(runMainLoopUntil([&] { return !idle.secondsSinceLastInput().has_value(); }));
    }
  }

  logind->kill();
  EXPECT_TRUE(runMainLoopUntil([&] { return !idle.secondsSinceLastInput().has_value(); }))
      << "no logind, no reading";
}

TEST_F(DesktopInputsLiveTest, AnUnknownSessionGivesNoIdleTimeAndSaysWhyOnce) {
  CapturedLog log;
  DbusMock logind(bus(), "logind", "org.freedesktop.login1");
  platform::LogindIdleTime idle("c404");
  EXPECT_TRUE(runMainLoopUntil([&] {
    idle.secondsSinceLastInput();
    return !log.messages("IdleTime").empty();
  }));
  runMainLoopUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_FALSE(idle.secondsSinceLastInput().has_value());
  EXPECT_EQ(log.messages("IdleTime").size(), 1U);
}

}  // namespace
}  // namespace vigilix::testing
