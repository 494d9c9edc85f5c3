// The built application with closed-lid mode turned on, against the built
// guard under socket activation, as root, with mocks of logind, UPower and
// systemd on a private system bus and a session bus of its own.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "dbus/mock_calls.h"
#include "guard/guard_end_to_end_fixture.h"
#include "platform/defaults/live_user_defaults.h"
#include "sleepguard/common/guard_names.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUPower = "org.freedesktop.UPower";

// A built program where the machine expects it: linked where the file system
// allows it (the programs are large), else copied.
void placeLinked(const fs::path& program, const fs::path& at) {
  fs::create_directories(at.parent_path());
  fs::remove(at);
  std::error_code error;
  fs::create_hard_link(program, at, error);
  if (error) fs::copy_file(program, at);
  ::chmod(at.c_str(), 0755);
}

class ClosedLidAppEndToEndTest : public GuardEndToEndFixture {
 protected:
  void SetUp() override {
    GuardEndToEndFixture::SetUp();
    if (IsSkipped()) return;
    home_ = makeTemporaryFolder("vigilix-lid-home");
    for (const auto& [name, value] : {std::pair<std::string, fs::path>{"HOME", home_},
                                      {"XDG_CONFIG_HOME", home_ / ".config"},
                                      {"XDG_STATE_HOME", home_ / ".local/state"},
                                      {"XDG_DATA_HOME", home_ / ".local/share"}})
      environment_.set(name, value.string());
    environment_.set("XDG_SESSION_ID", "c7");
    sessionBus_.emplace();
    // The installer's socket unit, enabled and started: the helper is registered.
    systemd_.emplace(*bus_, systemdUnitFilesTemplate(), "org.freedesktop.systemd1",
                     std::string(R"({"units": {")") +
                         std::string(VGXGuardNames::installerSocketUnit) + R"(": "enabled"}})");
    busctl({"org.freedesktop.systemd1", "/org/freedesktop/systemd1",
            "org.freedesktop.systemd1.Manager", "StartUnit", "ss",
            std::string(VGXGuardNames::installerSocketUnit), "replace"});
    upower_.emplace(*bus_, "upower", kUPower, R"({"LidIsPresent": true, "LidIsClosed": false})");
    busctl({"org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
            "AddSeat", "s", "seat0"});
    busctl({"org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
            "AddSession", "ssusb", "c7", "seat0", "0", "root", "true"});
  }
  void TearDown() override {
    app_.reset();
    upower_.reset();
    systemd_.reset();
    sessionBus_.reset();
    std::error_code ignored;
    if (!home_.empty()) fs::remove_all(home_, ignored);
  }

  void busctl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/usr/bin/busctl", "--system", "call"});
    TestChildProcess call(arguments, home_ / "busctl.log");
    ASSERT_EQ(call.wait(), 0) << readFile(home_ / "busctl.log");
  }
  std::string appLog() const { return readFile(home_ / "app.log"); }

  // The guard and the application as installed, closed-lid mode on and
  // keep-awake on from launch, until the guard holds the lid switch.
  void startArmed() {
    // The guard runs from where the installer puts it, as the application's check demands.
    const fs::path installedGuard =
        root_ / fs::path(VGXGuardNames::guardExecutablePath).relative_path();
    placeLinked(VIGILIX_GUARD_PROGRAM, installedGuard);
    startGuard("guard:admin", installedGuard.string());
    // The first connection turns the activator into the guard, which the application then checks.
    ASSERT_EQ(call(Socket::client, {R"({"method":"status"})"}).size(), 1u) << guardLog();
    // The application at its installed path, with the guard and the installer shipped beside it.
    placeLinked(VIGILIX_APP_PROGRAM, application_);
    const fs::path shipped = root_ / fs::path(VGXGuardNames::embeddedGuardPath()).relative_path();
    fs::create_directories(shipped.parent_path());
    std::ofstream(shipped) << "";
    {
      platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
      defaults.set("VGXClosedLidEnabled", true);
      defaults.set("run.tarvo.vigilix.ActivateOnLaunch", true);
    }
    app_.emplace(std::vector<std::string>{application_.string()}, home_ / "app.log");
    ASSERT_TRUE(waitUntil([&] { return sessionBus_->hasOwner("run.tarvo.vigilix"); },
                          std::chrono::seconds(30)))
        << appLog();

    // Armed: the guard holds logind's lid switch for the application's lease.
    ASSERT_TRUE(waitUntil([&] { return guardHoldsSleepSwitch(); }, std::chrono::seconds(30)))
        << appLog() << guardLog();
  }
  std::size_t sessionLocks() const {
    return mockMethodCalls({"org.freedesktop.login1", "/org/freedesktop/login1/session/c7"}, "Lock",
                           platform::BusKind::System)
        .size();
  }

  fs::path home_;
  ScopedEnvironment environment_;
  std::optional<PrivateSessionBus> sessionBus_;
  std::optional<DbusMock> systemd_;
  std::optional<DbusMock> upower_;
  std::optional<TestChildProcess> app_;
};

TEST_F(ClosedLidAppEndToEndTest, KeptAwakeWithTheLidClosedUntilTheApplicationQuits) {
  startArmed();
  if (HasFatalFailure()) return;
  // The lid closes: nothing else locks the session now, so the application does.
  EXPECT_EQ(sessionLocks(), 0u);
  setSystemBoolProperty(kUPower, "/org/freedesktop/UPower", kUPower, "LidIsClosed", true);
  EXPECT_TRUE(waitUntil([&] { return sessionLocks() == 1; })) << appLog();

  // The application ends without a word to the guard: the lease lapses and the lock goes.
  app_->stop(9);
  EXPECT_TRUE(waitUntil([&] { return !guardHoldsSleepSwitch(); }, std::chrono::seconds(40)))
      << guardLog();
}

TEST_F(ClosedLidAppEndToEndTest, ABatteryBelowTheFloorEndsIt) {
  startArmed();
  if (HasFatalFailure()) return;
  // The battery runs down below the floor: closed-lid mode disarms and the switch goes.
  const fs::path supplies = root_ / "sys/class/power_supply";
  fs::create_directories(supplies / "BAT0");
  std::ofstream(supplies / "BAT0/type") << "Battery\n";
  std::ofstream(supplies / "BAT0/capacity") << "10\n";
  std::ofstream(supplies / "BAT0/status") << "Discharging\n";
  std::ofstream(supplies / "AC/online") << "0\n";
  EXPECT_TRUE(waitUntil([&] { return !guardHoldsSleepSwitch(); }, std::chrono::seconds(40)))
      << guardLog();
  EXPECT_TRUE(waitUntil([&] {
    return appLog().find("Closed-lid mode: ready, not armed") != std::string::npos;
  })) << appLog();
}

}  // namespace
}  // namespace vigilix::testing
