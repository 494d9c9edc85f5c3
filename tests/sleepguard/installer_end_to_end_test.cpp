// The built vigilix-installer on a temporary root with the fake systemctl and
// a fake of the guard's admin service, asked by a client at the application's
// path over the installer's socket.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dbus/dbus_mock.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/guard_units.h"
#include "sleepguard/common/guard_wire.h"
#include "testing/installer/installer_machine_fixture.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_folder.h"

namespace vigilix::testing {
namespace {

namespace fs = std::filesystem;

// A program copied into the machine as root's, mode 0755.
void place(const fs::path& program, const fs::path& at) {
  fs::create_directories(at.parent_path());
  fs::copy_file(program, at, fs::copy_options::overwrite_existing);
  fs::permissions(at, fs::perms(0755));
}

// The machine with a system bus of its own, whose logind the installer asks
// for stray sleep switches.
struct InstallerMachine {
  Machine machine;
  PrivateSystemBus systemBus;
  DbusMock logind{systemBus, logindInhibitTemplate(), "org.freedesktop.login1"};
  ScopedEnvironment rootVariable{"VIGILIX_ROOT", machine.root.path().string()};
  std::optional<TestChildProcess> installer;

  fs::path log() const { return machine.root.path() / "installer.log"; }
  fs::path socket() const {
    return machine.root.pathFor(VGXGuardNames::socketPath(VGXGuardNames::installerMachService));
  }
  fs::path application() const { return machine.root.pathFor(VGXGuardNames::appPath()); }

  void start(std::vector<std::string> arguments = {}) {
    arguments.insert(arguments.begin(), VIGILIX_INSTALLER_PROGRAM);
    installer.emplace(arguments, log());
  }
  // Listening: a connection goes through (and is refused, the test not being the application).
  bool listening() {
    return waitUntil([&] { return platform::connectPacketSocket(socket()).has_value(); });
  }

  struct Answer {
    int exit = -1;
    std::string reply;
  };
  // One request from `program` (the client at the application's path by default).
  Answer call(const std::string& method, std::optional<fs::path> program = std::nullopt) {
    const fs::path client = program.value_or(application());
    const fs::path out = machine.root.path() / "client.out";
    fs::remove(out);
    TestChildProcess child({client.string(), socket().string(), method}, out);
    Answer answer;
    answer.exit = child.wait(std::chrono::seconds(60));
    answer.reply = readFile(out);
    if (!answer.reply.empty() && answer.reply.back() == '\n') answer.reply.pop_back();
    return answer;
  }
  std::optional<VGXInstallerStatus> status() {
    const Answer answer = call("status");
    auto dictionary = VGXGuardWire::dictionaryFromPacket(answer.reply);
    if (answer.exit != 0 || !dictionary) return std::nullopt;
    return VGXGuardWire::decodeInstallerStatus(*dictionary);
  }
};

const std::string kOk = R"({"ok":true})";

TEST(InstallerProgramTest, InstallCurrentCheckUpdateAndUninstallOverTheSocket) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  InstallerMachine m;
  place(VIGILIX_INSTALLER_CLIENT, m.application());
  m.start();
  ASSERT_TRUE(m.listening()) << readFile(m.log());

  EXPECT_EQ(m.status(), (VGXInstallerStatus{false, false, false}));
  EXPECT_EQ(m.call("install").reply, kOk) << readFile(m.log());
  m.machine.expectInstalled("guard version 1");
  EXPECT_EQ(m.status(), (VGXInstallerStatus{true, true, false}));

  m.machine.systemctl.clearCalls();
  EXPECT_EQ(m.call("install").reply, kOk);
  EXPECT_EQ(m.machine.systemctl.calls().size(), 1u) << "the current check only asks";

  m.machine.ship("guard version 2");
  EXPECT_EQ(m.status(), (VGXInstallerStatus{true, false, false}));
  EXPECT_EQ(m.call("install").reply, kOk);
  m.machine.expectInstalled("guard version 2");
  EXPECT_EQ(m.status(), (VGXInstallerStatus{true, true, false}));

  EXPECT_EQ(m.call("uninstall").reply, kOk);
  m.machine.expectRemoved();
  EXPECT_EQ(m.status(), (VGXInstallerStatus{false, false, false}));
}

// The application's own installer client, at the application's path.
TEST(InstallerProgramTest, TheApplicationsHelperInstallsAndRemovesTheGuard) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  InstallerMachine m;
  place(VIGILIX_LID_HELPER_CLIENT, m.application());
  m.start();
  ASSERT_TRUE(m.listening()) << readFile(m.log());
  auto ask = [&](const std::string& method) {
    const fs::path out = m.machine.root.path() / "helper.out";
    fs::remove(out);
    TestChildProcess child(
        {m.application().string(), m.socket().string(), VIGILIX_INSTALLER_PROGRAM, method}, out);
    EXPECT_EQ(child.wait(std::chrono::seconds(60)), 0);
    return readFile(out);
  };
  EXPECT_EQ(ask("status"), "installed=0 current=0 maintenance=0\n") << readFile(m.log());
  EXPECT_EQ(ask("install"), "success\n") << readFile(m.log());
  m.machine.expectInstalled("guard version 1");
  EXPECT_EQ(ask("status"), "installed=1 current=1 maintenance=0\n");
  EXPECT_EQ(ask("uninstall"), "success\n") << readFile(m.log());
  m.machine.expectRemoved();
}

TEST(InstallerProgramTest, OnlyTheApplicationIsAnswered) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  InstallerMachine m;
  place(VIGILIX_INSTALLER_CLIENT, m.application());
  const fs::path elsewhere = m.machine.root.pathFor("/usr/local/bin/other-program");
  place(VIGILIX_INSTALLER_CLIENT, elsewhere);
  m.start();
  ASSERT_TRUE(m.listening()) << readFile(m.log());
  struct Row {
    const char* name;
    fs::path program;
    int exit;
  };
  const Row rows[] = {
      {"the application", m.application(), 0},
      {"another program", elsewhere, 3},
      {"the client where the test built it", VIGILIX_INSTALLER_CLIENT, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(m.call("status", row.program).exit, row.exit) << readFile(m.log());
  }
  EXPECT_FALSE(fs::exists(m.machine.state())) << "nothing was installed";
}

TEST(InstallerProgramTest, ExitCodesAndMessages) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  struct Row {
    const char* name;
    std::function<void(InstallerMachine&)> arrange;
    std::vector<std::string> arguments;
    bool stop;  // SIGTERM once it listens
    int exit;
    std::string stderrText;
  };
  const Row rows[] = {
      {"stopped while idle", [](InstallerMachine&) {}, {}, true, 0, ""},
      {"arguments are not looked at",
       [](InstallerMachine&) {},
       {"--finish-uninstall", "a", "b"},
       true,
       0,
       ""},
      {"a folder in its socket's place",
       [](InstallerMachine& m) { fs::create_directories(m.socket() / "x"); },
       {},
       false,
       78,
       "VigilixInstaller: sockets: listen run.tarvo.vigilix.installer: errno 17\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InstallerMachine m;
    row.arrange(m);
    m.start(row.arguments);
    if (row.stop) {
      ASSERT_TRUE(m.listening()) << readFile(m.log());
      ::kill(m.installer->pid(), SIGTERM);
    }
    EXPECT_EQ(m.installer->wait(std::chrono::seconds(30)), row.exit);
    // The probe that saw it listening may have been refused and said so first.
    std::string said = readFile(m.log());
    std::istringstream lines(said);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
      if (line.find("] <default> refused user ") == std::string::npos) kept += line + "\n";
    }
    EXPECT_EQ(kept, row.stderrText) << said;
  }
}

TEST(InstallerProgramTest, CmakeInstallPutsTheProgramsAndTheRenderedUnitsUnderThePrefix) {
  const fs::path destination = makeTemporaryFolder("vigilix-install");
  const std::string command = "DESTDIR='" + destination.string() + "' cmake --install '" +
                              VIGILIX_BUILD_DIR + "' --component sleepguard > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const auto under = [&](const std::string& path) { return destination / path.substr(1); };
  struct Row {
    std::string installed;
    std::string expected;
    bool executable;
  };
  std::vector<Row> rows = {
      {VGXGuardNames::installerExecutablePath(), readFile(VIGILIX_INSTALLER_PROGRAM), true},
      {VGXGuardNames::embeddedGuardPath(), readFile(VIGILIX_GUARD_PROGRAM), true},
  };
  for (const std::string& unit : VGXInstallerUnitNames()) {
    rows.push_back(
        {VGXGuardNames::packagedUnitDirectory() + "/" + unit, VGXRenderUnit(unit), false});
  }
  for (const Row& row : rows) {
    SCOPED_TRACE(row.installed);
    EXPECT_FALSE(row.expected.empty());
    EXPECT_TRUE(readFile(under(row.installed)) == row.expected);
    struct stat info {};
    ASSERT_EQ(::stat(under(row.installed).c_str(), &info), 0);
    EXPECT_EQ((info.st_mode & 0111) != 0, row.executable);
  }
  fs::remove_all(destination);
}

}  // namespace
}  // namespace vigilix::testing
