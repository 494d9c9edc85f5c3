// The built application turning closed-lid mode on and off as a person does,
// in its settings window on an Xvfb screen, as root, against the built
// installer and guard. Mocks on a private system bus play logind, UPower,
// polkit and systemd's manager; the manager's mock runs the installer when its
// socket unit starts, and the fake systemctl under the test's root runs the
// guard when the installer enables the guard's units. Both run under
// systemd-socket-activate, as their socket units would have them. A mock
// notification daemon listens on the private session bus.

#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "dbus/mock_calls.h"
#include "dbus/mock_logind_test_fixture.h"
#include "guard/guard_end_to_end_fixture.h"
#include "platform/defaults/live_user_defaults.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/guard_units.h"
#include "sleepguard/installer/installer_system_live.h"
#include "testing/fake_systemctl.h"
#include "testing/temporary_folder.h"
#include "tray_screen/xvfb_screen.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUPower = "org.freedesktop.UPower";
constexpr MockObject kSystemd{"org.freedesktop.systemd1", "/org/freedesktop/systemd1"};
constexpr MockObject kNotices{"org.freedesktop.Notifications", "/org/freedesktop/Notifications"};
const fs::path kOutput = VIGILIX_GUARD_E2E_OUTPUT;
constexpr int kLeaseSeconds = 6;

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

std::string quoted(const std::string& text) { return "'" + text + "'"; }

class ClosedLidAppEndToEndTest : public GuardEndToEndFixture {
 protected:
  void SetUp() override {
    GuardEndToEndFixture::SetUp();
    if (IsSkipped()) return;
    // The installer takes no guard past its size limit, which a sanitizer build's is.
    if (fs::file_size(VIGILIX_GUARD_PROGRAM) > VGXInstallerSystemLive::kMaxEmbeddedBytes)
      GTEST_SKIP() << "the built guard is past the installer's size limit";
    home_ = makeTemporaryFolder("vigilix-lid-home");
    for (const auto& [name, value] : {std::pair<std::string, fs::path>{"HOME", home_},
                                      {"XDG_CONFIG_HOME", home_ / ".config"},
                                      {"XDG_STATE_HOME", home_ / ".local/state"},
                                      {"XDG_DATA_HOME", home_ / ".local/share"}})
      environment_.set(name, value.string());
    environment_.set("XDG_SESSION_ID", "c7");
    sessionBus_.emplace();
    notices_.emplace(*sessionBus_, "notification_daemon", kNotices.service);
    screen_.emplace(800, 900);
    polkit_.emplace(*bus_, "polkitd", "org.freedesktop.PolicyKit1");

    // The machine as the package leaves it: the application, the installer and
    // the guard it ships at their places, the installer's socket unit installed
    // but not enabled, no guard.
    placeLinked(VIGILIX_APP_PROGRAM, application_);
    placeLinked(VIGILIX_QT_RENDERER,
                application_.parent_path().parent_path() / "lib/vigilix/vigilix-qt-renderer.so");
    placeLinked(VIGILIX_INSTALLER_PROGRAM, installer_);
    placeLinked(VIGILIX_GUARD_PROGRAM,
                root_ / fs::path(VGXGuardNames::embeddedGuardPath()).relative_path());
    fs::create_directories(root_ / fs::path(VGXGuardNames::unitDirectory).relative_path());
    fs::remove(root_ / fs::path(VGXGuardNames::stateDirectory).relative_path());
    systemctl_.emplace(root_);
    const std::string installedGuard =
        (root_ / fs::path(VGXGuardNames::guardExecutablePath).relative_path()).string();
    // The guard grants a short lease of the test's setting, which the application renews every
    // third of, and looks at its sensors and leases as often: nothing waits out the real 30 s.
    systemctl_->startOnEnable(
        VGXGuardNames::guardSocketUnit,
        {"/usr/bin/env", "VIGILIX_ROOT=" + root_.string(),
         std::string("DBUS_SYSTEM_BUS_ADDRESS=") + std::getenv("DBUS_SYSTEM_BUS_ADDRESS"),
         "VIGILIX_TEST_GUARD_LEASE=" + std::to_string(kLeaseSeconds),
         "/usr/bin/systemd-socket-activate", "--seqpacket", "-l", socketPath(Socket::client), "-l",
         socketPath(Socket::admin), "--fdname=guard:admin", "-E", "VIGILIX_ROOT", "-E",
         "DBUS_SYSTEM_BUS_ADDRESS", "-E", "VIGILIX_TEST_GUARD_LEASE", installedGuard},
        socketPath(Socket::admin));
    // systemd keeps a socket unit listening after its service leaves; here the
    // installer starts again after its idle exit. It binds its socket itself:
    // under systemd the listening socket is the manager's (pid 1), which the
    // application's check accepts, while systemd-socket-activate's pid is the
    // installer's only once a first connection made it exec, after the check.
    const std::string installerSocket =
        (root_ /
         fs::path(VGXGuardNames::socketPath(VGXGuardNames::installerMachService)).relative_path())
            .string();
    const std::string loop = "while :; do rm -f " + quoted(installerSocket) + "; " +
                             quoted(installer_.string()) + " || sleep 1; done";
    const std::string unit(VGXGuardNames::installerSocketUnit);
    systemd_.emplace(*bus_, systemdUnitFilesTemplate(), kSystemd.service,
                     R"({"units": {")" + unit + R"(": "disabled"}, "listeners": {")" + unit +
                         R"(": {"command": ["/bin/sh", "-c", ")" + loop + R"("], "socket": ")" +
                         installerSocket + R"("}}})");
    upower_.emplace(*bus_, "upower", kUPower, R"({"LidIsPresent": true, "LidIsClosed": false})");
    // The application's own session, on the seat the fixture made.
    busctl({"org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock",
            "AddSession", "ssusb", "c7", "seat0", "0", "root", "true"});
  }
  void TearDown() override {
    app_.reset();
    // What the mock manager started ends with the unit.
    if (systemd_) {
      TestChildProcess({"/usr/bin/busctl", "--system", "call", kSystemd.service, kSystemd.path,
                        "org.freedesktop.systemd1.Manager", "StopUnit", "ss",
                        std::string(VGXGuardNames::installerSocketUnit), "replace"},
                       home_ / "busctl.log")
          .wait();
    }
    if (const auto guard = guardPid()) ::kill(*guard, SIGKILL);
    upower_.reset();
    systemd_.reset();
    polkit_.reset();
    screen_.reset();
    notices_.reset();
    sessionBus_.reset();
    std::error_code ignored;
    if (!home_.empty()) fs::remove_all(home_, ignored);
  }

  void busctl(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"/usr/bin/busctl", "--system", "call"});
    TestChildProcess call(arguments, home_ / "busctl.log");
    ASSERT_EQ(call.wait(), 0) << readFile(home_ / "busctl.log");
  }
  void allow(const std::vector<std::string>& actions) {
    std::vector<std::string> call{"org.freedesktop.PolicyKit1",
                                  "/org/freedesktop/PolicyKit1/Authority",
                                  "org.freedesktop.DBus.Mock",
                                  "SetAllowed",
                                  "as",
                                  std::to_string(actions.size())};
    call.insert(call.end(), actions.begin(), actions.end());
    busctl(call);
  }
  std::string logs() const {
    std::string text = "--- app\n" + readFile(home_ / "app.log") + "--- systemd mock\n" +
                       systemd_->log() + "--- installer and guard\n" +
                       readFile(systemctl_->logOf(VGXGuardNames::guardSocketUnit));
    for (const auto& call : systemctl_->calls()) text += "systemctl " + call + "\n";
    return text;
  }
  std::optional<pid_t> guardPid() const {
    return systemctl_ ? systemctl_->pidOf(VGXGuardNames::guardSocketUnit) : std::nullopt;
  }
  bool guardHoldsLidSwitch() const {
    const auto pid = guardPid();
    if (!pid) return false;
    for (const auto& lock : locksOf(*pid)) {
      if (lock.mode == "block" && lock.inhibits("sleep") && lock.inhibits("handle-lid-switch"))
        return true;
    }
    return false;
  }
  std::size_t callsOf(const MockObject& object, const char* method,
                      platform::BusKind bus = platform::BusKind::System) const {
    return mockMethodCalls(object, method, bus).size();
  }
  std::size_t sessionLocks() const {
    return callsOf({"org.freedesktop.login1", "/org/freedesktop/login1/session/c7"}, "Lock");
  }

  // The application at its installed path with keep-awake on from launch and
  // its notices on; its first launch shows the settings window on the
  // General pane.
  void startApplication() {
    {
      platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
      defaults.set("run.tarvo.vigilix.ActivateOnLaunch", true);
      defaults.set("run.tarvo.vigilix.NotifyOnAwakeStateChange", true);
    }
    app_.emplace(std::vector<std::string>{application_.string()}, home_ / "app.log");
    ASSERT_TRUE(waitUntil([&] { return sessionBus_->hasOwner("run.tarvo.vigilix"); },
                          std::chrono::seconds(30)))
        << logs();
    ASSERT_TRUE(awaitWindowTitled("General")) << logs();
  }
  std::optional<ScreenBox> windowTitled(const std::string& title) const {
    for (const ScreenWindow& window : screen_->windowsOfClass("vigilix"))
      if (window.title == title) return window.box;
    return std::nullopt;
  }
  std::optional<ScreenBox> awaitWindowTitled(const std::string& title) {
    waitUntil([&] { return windowTitled(title).has_value(); }, std::chrono::seconds(30));
    return windowTitled(title);
  }
  // The button left of "Cancel" in the alert shown (titled with the
  // application's name), which then closes.
  void answerYes() {
    const auto alert = awaitWindowTitled("Vigilix");
    ASSERT_TRUE(alert) << logs();
    clickIn("Vigilix", alert->width - 130, alert->height - 31, true);
  }
  // Clicks at a place of a window of the program, once it shows, and waits
  // until the window is gone when the click closes it.
  void clickIn(const std::string& title, int x, int y, bool closes) {
    const auto box = awaitWindowTitled(title);
    ASSERT_TRUE(box) << "no window " << title << "\n" << logs();
    clickAt(box->x + x, box->y + y);
    if (closes) {
      ASSERT_TRUE(waitUntil([&] { return !windowTitled(title); })) << title << "\n" << logs();
    }
  }
  void shoot(const std::string& name) {
    waitUntil([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_FALSE(screen_->capture().savePng(kOutput / (name + ".png")));
  }
  void clickAt(int x, int y) {
    TestChildProcess click(
        {"/usr/bin/xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "1"},
        home_ / "xdotool.log");
    ASSERT_EQ(click.wait(), 0) << readFile(home_ / "xdotool.log");
  }

  // The switch in the settings window, the confirmation's "Enable Closed-Lid
  // Mode", the administrator password (refused once first when asked), then
  // the installer installs the guard and the application arms it.
  void turnOn(bool refusedFirst) {
    const std::vector<std::string> manageUnitFiles{"org.freedesktop.systemd1.manage-unit-files"};
    allow(refusedFirst ? std::vector<std::string>{} : manageUnitFiles);
    startApplication();
    if (HasFatalFailure()) return;
    clickIn("Welcome to Vigilix", 159, 186, true);  // "Not Now"
    shoot("closed-lid-off");
    clickIn("General", 37, 92, false);
    shoot("closed-lid-confirmation");
    answerYes();
    if (refusedFirst) {
      ASSERT_TRUE(waitUntil([&] { return closedLidMode() == "needsApproval, not armed"; }))
          << logs();
      EXPECT_EQ(callsOf(kSystemd, "EnableUnitFiles"), 1u);
      EXPECT_EQ(callsOf(kSystemd, "StartUnit"), 0u) << "nothing started without authorization";
      shoot("closed-lid-approval");
      allow(manageUnitFiles);
      clickIn("General", 186, 137, false);  // "Ask for the Administrator Password Again"
    }
    ASSERT_TRUE(waitUntil([&] { return guardHoldsLidSwitch(); }, std::chrono::seconds(60)))
        << logs();
    EXPECT_EQ(callsOf(kSystemd, "EnableUnitFiles"), refusedFirst ? 2u : 1u);
    EXPECT_EQ(callsOf(kSystemd, "StartUnit"), 1u);
    EXPECT_EQ(systemctl_->activeUnits().size(), 3u);
    for (const auto& unit : VGXGuardUnitNames()) {
      EXPECT_EQ(readFile(root_ / fs::path(VGXGuardNames::unitDirectory).relative_path() / unit),
                VGXRenderUnit(unit));
    }
    EXPECT_EQ(readFile(root_ / fs::path(VGXGuardNames::guardExecutablePath).relative_path()),
              readFile(VIGILIX_GUARD_PROGRAM));
    shoot("closed-lid-armed");
  }
  // The closed-lid mode the application logged last.
  std::string closedLidMode() const {
    const std::string log = readFile(home_ / "app.log");
    const std::string mark = "Closed-lid mode: ";
    const std::size_t at = log.rfind(mark);
    if (at == std::string::npos) return "";
    return log.substr(at + mark.size(), log.find('\n', at) - at - mark.size());
  }
  // The application's health lines as the command-line tool prints them.
  std::string doctor() const {
    TestChildProcess run({VIGILIX_CLI_PROGRAM, "doctor"}, home_ / "doctor.log");
    run.wait(std::chrono::seconds(60));
    return readFile(home_ / "doctor.log");
  }

  fs::path home_;
  ScopedEnvironment environment_;
  std::optional<PrivateSessionBus> sessionBus_;
  std::optional<DbusMock> notices_;
  std::optional<XvfbScreen> screen_;
  std::optional<DbusMock> polkit_;
  std::optional<FakeSystemctl> systemctl_;
  std::optional<DbusMock> systemd_;
  std::optional<DbusMock> upower_;
  std::optional<TestChildProcess> app_;
};

TEST_F(ClosedLidAppEndToEndTest, AllowedAtOnceThenTheLidClosesAndTheApplicationQuits) {
  turnOn(false);
  if (HasFatalFailure()) return;
  // The lid closes: nothing else locks the session now, so the application does.
  EXPECT_EQ(sessionLocks(), 0u);
  setSystemBoolProperty(kUPower, "/org/freedesktop/UPower", kUPower, "LidIsClosed", true);
  EXPECT_TRUE(waitUntil([&] { return sessionLocks() == 1; })) << logs();

  // The application ends without a word to the guard: the lease lapses and the lock goes.
  app_->stop(9);
  EXPECT_TRUE(waitUntil([&] { return !guardHoldsLidSwitch(); }, std::chrono::seconds(20)))
      << logs();
}

TEST_F(ClosedLidAppEndToEndTest, RefusedThenAllowedThenTheGuardLatchesAndTheHelperIsRemoved) {
  turnOn(true);
  if (HasFatalFailure()) return;
  // The battery runs down below the floor. The application looks at the
  // battery only when something else makes it decide again; the guard samples
  // it on its own, so the guard trips first and latches.
  const fs::path supplies = root_ / "sys/class/power_supply";
  fs::create_directories(supplies / "BAT0");
  std::ofstream(supplies / "BAT0/type") << "Battery\n";
  std::ofstream(supplies / "BAT0/capacity") << "10\n";
  std::ofstream(supplies / "BAT0/status") << "Discharging\n";
  std::ofstream(supplies / "AC/online") << "0\n";
  EXPECT_TRUE(waitUntil([&] { return !guardHoldsLidSwitch(); }, std::chrono::seconds(40)))
      << logs();
  // Two orders are sound, and the machine's timing picks one: the guard's tick sees the floor
  // first and latches, which the application then tells; or the application's own look at the
  // battery (at its next renewal) comes first and it lets go of its lease, so the guard has
  // nothing left to stop.
  std::string health;
  const bool latched = waitUntil(
      [&] {
        health = doctor();
        return health.find("Safety stop: the battery reached its floor") != std::string::npos;
      },
      std::chrono::seconds(20));
  if (latched) {
    EXPECT_TRUE(waitUntil([&] {
      for (const auto& notice : mockMethodCalls(kNotices, "Notify")) {
        for (const auto& argument : notice) {
          if (argument.find("the battery reached its floor") != std::string::npos) return true;
        }
      }
      return false;
    })) << logs();
  } else {
    EXPECT_NE(logs().find("Closed-lid mode: ready, not armed"), std::string::npos)
        << health << logs();
  }

  // "Remove Helper…", then "Remove Helper" in the confirmation.
  clickIn("General", 94, 217, false);
  shoot("closed-lid-removal");
  answerYes();
  EXPECT_TRUE(waitUntil([&] { return callsOf(kSystemd, "DisableUnitFiles") == 1; },
                        std::chrono::seconds(60)))
      << logs();
  EXPECT_EQ(callsOf(kSystemd, "StopUnit"), 1u);
  EXPECT_FALSE(fs::exists(root_ / fs::path(VGXGuardNames::stateDirectory).relative_path()));
  for (const auto& unit : VGXGuardUnitNames()) {
    EXPECT_FALSE(fs::exists(root_ / fs::path(VGXGuardNames::unitDirectory).relative_path() / unit))
        << unit;
  }
  EXPECT_TRUE(systemctl_->activeUnits().empty());
  EXPECT_FALSE(guardPid()) << "the guard was stopped";
  // Removed by the user: turning it on again starts from the beginning.
  EXPECT_TRUE(waitUntil([&] { return closedLidMode() == "needsHelper, not armed"; })) << logs();
  shoot("closed-lid-removed");
}

}  // namespace
}  // namespace vigilix::testing
