// A machine under a temporary root for the installer's tests: root-owned
// system folders, a shipped guard, the fake service manager and a fake of the
// guard's admin service.
#pragma once

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
#include "sleepguard/common/service_files.h"
#include "sleepguard/installer/installer_engine.h"
#include "sleepguard/installer/installer_system_live.h"
#include "testing/fake_logind_inhibitors.h"
#include "testing/fake_systemctl.h"
#include "testing/temporary_root.h"

namespace vigilix::testing {

namespace fs = std::filesystem;

inline std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

inline void writeText(const fs::path& path, const std::string& text) {
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
        reply = VGXGuardWire::encodeStatus(
            VGXGuardStatus::initial("1"),
            VGXServiceFiles::hashRegularFile(VGXGuardNames::guardExecutablePath).value_or(""));
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
  TemporaryRoot root;
  FakeSystemctl systemctl{root.path()};
  FakeGuardAdmin admin{systemctl};
  FakeLogindInhibitors logind;

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

}  // namespace vigilix::testing
