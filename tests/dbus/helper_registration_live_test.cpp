// The installer's registration through systemd's manager on a private system
// bus, with polkit deciding whether its socket unit may be enabled.

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <optional>

#include "closedlid/lid_helper.h"
#include "closedlid/live_unit_registry.h"
#include "dbus/dbus_mock.h"
#include "dbus/private_bus.h"
#include "platform/dbus/bus_connection.h"
#include "platform/dbus/systemd_units.h"
#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

constexpr const char* kSocketUnit = "run.tarvo.vigilix.installer.socket";

// Tells the polkit mock which actions it allows.
void allow(const std::vector<std::string>& actions) {
  auto bus = platform::BusConnection::openSystem();
  ASSERT_TRUE(bus.has_value());
  auto reply = bus->call({"org.freedesktop.PolicyKit1", "/org/freedesktop/PolicyKit1/Authority",
                          "org.freedesktop.DBus.Mock", "SetAllowed"},
                         [&](platform::BusArgumentWriter& out) { out.strings(actions); });
  ASSERT_TRUE(reply.has_value()) << reply.error().description();
}

TEST(HelperRegistrationLiveTest, RegistrationAsSystemdAndPolkitAnswer) {
  PrivateSystemBus bus;
  DbusMock polkit(bus, "polkitd", "org.freedesktop.PolicyKit1");
  struct Row {
    const char* name;
    std::string units;  // the template's parameters
    std::vector<std::string> allowed;
    bool registers;
    VGXHelperRegistration before;
    VGXHelperRegistration after;
  };
  const Row rows[] = {
      {"no installer unit",
       R"({"units": {}})",
       {},
       false,
       VGXHelperRegistration::notFound,
       VGXHelperRegistration::notFound},
      {"installed, then enabled and started with authorization",
       std::string(R"({"units": {")") + kSocketUnit + R"(": "disabled"}})",
       {"org.freedesktop.systemd1.manage-unit-files"},
       true,
       VGXHelperRegistration::notRegistered,
       VGXHelperRegistration::enabled},
      {"enabling refused for want of authorization",
       std::string(R"({"units": {")") + kSocketUnit + R"(": "disabled"}})",
       {},
       false,
       VGXHelperRegistration::notRegistered,
       VGXHelperRegistration::requiresApproval},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DbusMock systemd(bus, systemdUnitFilesTemplate(), "org.freedesktop.systemd1", row.units);
    allow(row.allowed);
    TestPlatform platform;
    MainClientScheduler scheduler;
    LiveUnitRegistry units;
    VGXLidHelper helper([]() -> std::unique_ptr<VGXInstallerTransport> { return nullptr; },
                        scheduler, units);
    EXPECT_EQ(helper.registration(), row.before) << systemd.log();
    EXPECT_EQ(helper.registerDaemon().has_value(), row.registers) << systemd.log();
    EXPECT_EQ(helper.registration(), row.after) << systemd.log();
  }
}

// The connections on the bus, ours included: each has a unique name.
std::size_t connectionCount() {
  auto bus = platform::BusConnection::openSystem();
  if (!bus) return 0;
  auto reply = bus->call(
      {"org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "ListNames"});
  if (!reply) return 0;
  std::size_t count = 0;
  if (sd_bus_message_enter_container(reply->get(), 'a', "s") <= 0) return 0;
  const char* name = nullptr;
  while (sd_bus_message_read(reply->get(), "s", &name) > 0) count += name[0] == ':';
  // Less the one asking.
  return count - 1;
}

// The state is read again every time a guard is awaited: reads keep one connection rather than
// making the bus and its daemon shake hands each time, also when the bus answers with an error
// (no systemd on it), since the connection is sound then.
TEST(HelperRegistrationLiveTest, ReadsOfTheUnitsStateKeepOneConnection) {
  for (const bool systemdRuns : {true, false}) {
    SCOPED_TRACE(systemdRuns ? "systemd answers" : "no systemd on the bus");
    PrivateSystemBus bus;
    std::optional<DbusMock> systemd;
    if (systemdRuns) {
      systemd.emplace(bus, systemdUnitFilesTemplate(), "org.freedesktop.systemd1",
                      std::string(R"({"units": {")") + kSocketUnit + R"(": "enabled"}})");
    }
    const std::size_t before = connectionCount();
    platform::SystemdUnits units;
    for (int read = 1; read <= 3; ++read) {
      SCOPED_TRACE(read);
      auto state = units.read(kSocketUnit);
      ASSERT_EQ(state.has_value(), systemdRuns);
      if (systemdRuns) {
        EXPECT_EQ(state->unitFileState, "enabled");
      }
      EXPECT_EQ(connectionCount(), before + 1);
    }
  }
}

}  // namespace
}  // namespace vigilix::testing
