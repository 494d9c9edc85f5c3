#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "platform/crypto/sha256.h"
#include "platform/fs/file_system.h"
#include "platform/ipc/packet_socket.h"
#include "sleepguard/common/guard_interfaces.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/guard_units.h"
#include "sleepguard/installer/installer_engine.h"
#include "sleepguard/installer/installer_system_live.h"
#include "testing/fake_logind_inhibitors.h"
#include "testing/fake_systemctl.h"
#include "testing/temporary_root.h"

namespace vigilix {
namespace {

namespace fs = std::filesystem;
using testing::FakeSystemctl;

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The guard's admin service as the installed guard would answer it while the
// fake service manager has its service running: status with the installed
// executable's SHA-256, drains acknowledged. A stopped guard leaves callers
// without a reply. It can kill -9 the caller of a method, once.
class FakeGuardAdmin {
 public:
  FakeGuardAdmin(const FakeSystemctl& systemctl) : systemctl_(systemctl) {
    const fs::path path =
        platform::FileSystem::pathFor(VGXGuardNames::socketPath(VGXGuardNames::adminMachService));
    fs::create_directories(path.parent_path());
    listener_ = std::move(*platform::listenPacketSocket(path, 0600));
    thread_ = std::thread([this] { serve(); });
  }
  ~FakeGuardAdmin() {
    stop_ = true;
    thread_.join();
  }
  // A drain lasts until the service is started again.
  bool draining() const { return drainedAt_ >= 0 && drainedAt_ == starts(); }
  // Kills the caller of `method` at its `nth` call from now.
  void killAt(VGXGuardMethod method, int nth) {
    killMethod_ = static_cast<int>(method);
    killCountdown_ = nth;
  }
  void disarm() { killMethod_ = -1; }

 private:
  int starts() const {
    int count = 0;
    for (const auto& call : systemctl_.calls()) count += call.starts_with("enable") ? 1 : 0;
    return count;
  }
  bool running() const {
    for (const auto& unit : systemctl_.activeUnits()) {
      if (unit == VGXGuardNames::guardServiceUnit) return true;
    }
    return false;
  }
  void serve() {
    while (!stop_) {
      pollfd watched{listener_.get(), POLLIN, 0};
      if (::poll(&watched, 1, 20) <= 0) continue;
      auto connection = platform::acceptPacketConnection(listener_.get());
      if (!connection) continue;
      const auto packet = platform::receivePacket(connection->get());
      if (!packet || packet->closed || !running()) continue;
      const auto request = VGXGuardInterfaces::decodeRequest(
          VGXGuardInterfaces::adminInterface(),
          VGXGuardWire::dictionaryFromPacket(packet->bytes).value_or(VGXGuardWire::Dictionary{}));
      if (!request) continue;
      if (killMethod_.load() == static_cast<int>(request->method) && --killCountdown_ == 0) {
        killMethod_ = -1;
        ::kill(platform::peerCredentials(connection->get())->pid, SIGKILL);
        continue;
      }
      VGXGuardWire::Dictionary reply;
      if (request->method == VGXGuardMethod::status) {
        const std::string installed =
            readText(platform::FileSystem::pathFor(VGXGuardNames::guardExecutablePath));
        reply = VGXGuardWire::encodeStatus(VGXGuardStatus::initial("1"),
                                           platform::sha256HexString(platform::sha256(installed)));
      } else {
        drainedAt_ = request->method == VGXGuardMethod::beginDrain ? starts() : -1;
        reply = VGXGuardWire::encodeAck({});
      }
      (void)platform::sendPacket(connection->get(), VGXGuardWire::packetText(reply));
    }
  }

  const FakeSystemctl& systemctl_;
  platform::UniqueFd listener_;
  std::atomic<bool> stop_{false};
  std::atomic<int> drainedAt_{-1};
  std::atomic<int> killMethod_{-1};
  std::atomic<int> killCountdown_{0};
  std::thread thread_;
};

// A machine under a temporary root: root-owned system folders, a shipped
// guard, the fake service manager and the fake guard's admin service.
struct Machine {
  testing::TemporaryRoot root;
  FakeSystemctl systemctl{root.path()};
  FakeGuardAdmin admin{systemctl};
  testing::FakeLogindInhibitors logind;

  Machine() {
    for (const char* folder : {"/var/lib", "/etc/systemd/system", "/proc"}) {
      fs::create_directories(root.pathFor(folder));
    }
    fs::permissions(root.path(), fs::perms(0755));
    ship("guard version 1");
  }
  void ship(const std::string& contents) {
    writeText(root.pathFor(VGXGuardNames::embeddedGuardPath()), contents);
  }
  VGXInstallerSystemLive::Parts parts() {
    auto shared = std::shared_ptr<platform::LogindInhibitors>(&logind, [](auto*) {});
    return {VGXGuardNames::embeddedGuardPath(), std::make_unique<VGXSystemctl>(),
            std::make_unique<VGXGuardAdminClient>(2'000),
            std::make_unique<VGXProcessTable>(platform::ProcessListing(root.path()), shared)};
  }
  VGXInstallerResult run(const std::function<VGXInstallerResult(VGXInstallerEngine&)>& call) {
    VGXInstallerSystemLive system(parts());
    VGXInstallerEngine engine(system);
    return call(engine);
  }
  // Runs the call in a child process that the fakes may kill -9; true when it was killed.
  bool runKilled(const std::function<VGXInstallerResult(VGXInstallerEngine&)>& call) {
    const pid_t child = ::fork();
    if (child == 0) {
      (void)run(call);
      ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

  fs::path state(const std::string& name = {}) const {
    return root.pathFor(VGXGuardNames::stateDirectory) / name;
  }
  std::string installed() const {
    return readText(root.pathFor(VGXGuardNames::guardExecutablePath));
  }
  bool unitsWritten() const {
    for (const auto& unit : VGXGuardUnitNames()) {
      const fs::path path = root.pathFor(VGXGuardNames::unitDirectory) / unit;
      if (!fs::exists(path) || readText(path) != VGXRenderUnit(unit)) return false;
    }
    return true;
  }
  bool unitsGone() const {
    for (const auto& unit : VGXGuardUnitNames()) {
      if (fs::exists(root.pathFor(VGXGuardNames::unitDirectory) / unit)) return false;
    }
    return true;
  }

  // Installed, running the shipped guard, granting, with nothing half done.
  void expectInstalled(const std::string& contents) {
    EXPECT_EQ(installed(), contents);
    EXPECT_TRUE(unitsWritten());
    EXPECT_EQ(systemctl.activeUnits().size(), 3u);
    EXPECT_FALSE(fs::exists(state("maintenance.json")));
    EXPECT_FALSE(fs::exists(state("vigilix-sleepguard.prev")));
    EXPECT_TRUE(fs::exists(state("install.json")));
    EXPECT_FALSE(admin.draining());
  }
  // Nothing of the guard is left: no files, no units, nothing running.
  void expectRemoved() {
    EXPECT_FALSE(fs::exists(state()));
    EXPECT_TRUE(unitsGone());
    EXPECT_TRUE(systemctl.activeUnits().empty());
  }
};

VGXInstallerResult install(VGXInstallerEngine& engine) { return engine.install(1000); }
VGXInstallerResult uninstall(VGXInstallerEngine& engine) { return engine.uninstall(1000); }

TEST(InstallerTransactionsTest, InstallCheckUpdateAndUninstallOnTheMachine) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  Machine machine;
  ASSERT_EQ(machine.run(install), VGXInstallerResult{});
  machine.expectInstalled("guard version 1");
  EXPECT_EQ(readText(machine.state("install.json")).find("installGeneration"), 2u);

  machine.systemctl.clearCalls();
  ASSERT_EQ(machine.run(install), VGXInstallerResult{});
  machine.expectInstalled("guard version 1");
  EXPECT_EQ(machine.systemctl.calls().size(), 1u) << "the current check only asks";

  machine.ship("guard version 2");
  ASSERT_EQ(machine.run(install), VGXInstallerResult{});
  machine.expectInstalled("guard version 2");

  ASSERT_EQ(machine.run(uninstall), VGXInstallerResult{});
  machine.expectRemoved();
}

TEST(InstallerTransactionsTest, AKillAtEveryPhaseIsFinishedOrUndoneByTheNextStart) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root";
  using When = FakeSystemctl::When;
  struct Row {
    const char* name;
    bool uninstalling;
    std::function<void(Machine&)> arm;
    // What the machine holds once the next start resumed: the old guard, the
    // new one, or nothing.
    std::optional<std::string> after;
  };
  const auto atCommand = [](const char* command, int nth, When when) {
    return [=](Machine& m) { m.systemctl.killCallerAt(command, nth, when); };
  };
  // The entry asks the guard's status once before anything is recorded.
  const auto atAdmin = [](VGXGuardMethod method, int nth) {
    return [=](Machine& m) { m.admin.killAt(method, nth); };
  };
  const Row rows[] = {
      {"update drained", false, atAdmin(VGXGuardMethod::beginDrain, 1), "guard version 1"},
      {"update booted out, before", false, atCommand("disable", 1, When::before),
       "guard version 1"},
      {"update booted out, after", false, atCommand("disable", 1, When::after), "guard version 1"},
      {"update replaced and bootstrapped, before the reload", false,
       atCommand("daemon-reload", 1, When::before), "guard version 1"},
      {"update bootstrapped, started", false, atCommand("enable", 1, When::after),
       "guard version 1"},
      {"update bootstrapped, at the handshake", false, atAdmin(VGXGuardMethod::status, 2),
       "guard version 1"},
      {"uninstall drained", true, atAdmin(VGXGuardMethod::beginDrain, 1), "guard version 1"},
      {"uninstall booted out, before", true, atCommand("disable", 1, When::before), std::nullopt},
      {"uninstall booted out, after", true, atCommand("disable", 1, When::after), std::nullopt},
      {"uninstall booted out, at the last look", true, atCommand("show", 1, When::before),
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Machine machine;
    ASSERT_EQ(machine.run(install), VGXInstallerResult{});
    if (!row.uninstalling) machine.ship("guard version 2");
    row.arm(machine);
    ASSERT_TRUE(machine.runKilled(row.uninstalling ? uninstall : install));
    EXPECT_TRUE(fs::exists(machine.state("maintenance.json")));

    machine.systemctl.reset();
    machine.admin.disarm();
    EXPECT_EQ(machine.run([](VGXInstallerEngine& e) { return e.resume(); }), VGXInstallerResult{});
    if (row.after) {
      machine.expectInstalled(*row.after);
    } else {
      machine.expectRemoved();
    }
  }
}

}  // namespace
}  // namespace vigilix
