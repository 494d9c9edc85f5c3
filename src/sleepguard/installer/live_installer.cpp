#include "sleepguard/installer/live_installer.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/ipc/packet_socket.h"
#include "platform/ipc/termination_signals.h"
#include "sleepguard/installer/installer_records.h"

namespace vigilix {
namespace {

double monotonicSeconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Milliseconds until `deadline`, rounded up so the loop never wakes early.
int pollTimeout(const std::optional<double>& deadline, double now) {
  if (!deadline) return -1;
  const double left = std::ceil((*deadline - now) * 1000.0);
  return static_cast<int>(std::clamp(left, 0.0, 3'600'000.0));
}

}  // namespace

LiveInstaller::LiveInstaller(std::unique_ptr<VGXInstallerSystem> system,
                             platform::UniqueFd listener, VGXPeerExpectation peer,
                             std::unique_ptr<platform::ProcessIdentity> processes)
    : system_(std::move(system)),
      listener_(std::move(listener)),
      peer_(std::move(peer)),
      processes_(std::move(processes)) {}

VGXInstallerEngine& LiveInstaller::engine() {
  if (!engine_) engine_.emplace(*system_);
  return *engine_;
}

void LiveInstaller::start() { (void)engine().resume(); }

VGXInstallerStatus LiveInstaller::statusReply(VGXInstallerSystem& system) {
  VGXInstallerStatus status;
  const auto installed = system.installedHash();
  status.installed = installed.has_value();
  if (installed) {
    const auto embedded = system.embeddedHash();
    if (embedded && *embedded == *installed) {
      const auto loaded = system.isGuardLoaded();
      status.current = loaded && *loaded;
    }
  }
  status.maintenance = readMaintenanceRecord(system.store()).kind != AppMissingRecord::Kind::absent;
  return status;
}

VGXGuardWire::Dictionary LiveInstaller::answer(std::uint32_t uid, const VGXGuardRequest& request) {
  using namespace VGXGuardWire;
  switch (request.method) {
    case VGXGuardMethod::install:
      return encodeInstallerResult(engine().install(uid));
    case VGXGuardMethod::uninstall:
      return encodeInstallerResult(engine().uninstall(uid));
    case VGXGuardMethod::status:
      return encodeInstallerStatus(statusReply(*system_));
    default:
      break;
  }
  // The installer's interface never decodes the guard's methods.
  return encodeInstallerResult(std::unexpected(VGXInstallerError::failed("unknown method")));
}

void LiveInstaller::accept() {
  auto connection = platform::acceptPacketConnection(listener_.get());
  if (!connection) return;
  auto credentials = platform::peerCredentials(connection->get());
  if (!credentials) return;
  auto checked = checkPeer(*credentials, peer_, *processes_);
  if (!checked) return;  // closing the connection is the refusal
  const int fd = connection->get();
  connections_.emplace(fd, InstallerExporter{std::move(*connection), checked->uid});
  idle_->connectionOpened();
}

bool LiveInstaller::serve(InstallerExporter& connection) {
  auto packet = platform::receivePacket(connection.fd.get());
  if (!packet || packet->closed || packet->truncated) return false;
  auto dictionary = VGXGuardWire::dictionaryFromPacket(packet->bytes);
  if (!dictionary) return false;
  auto request =
      VGXGuardInterfaces::decodeRequest(VGXGuardInterfaces::installerInterface(), *dictionary);
  if (!request) return false;
  const auto reply = answer(connection.uid, *request);
  return platform::sendPacket(connection.fd.get(), VGXGuardWire::packetText(reply)).has_value();
}

int LiveInstaller::run() {
  platform::blockTerminationSignals();
  platform::UniqueFd signals = platform::openTerminationSignals();
  if (!signals.valid()) return 1;
  idle_.emplace(monotonicSeconds());

  enum Slot { kSignal, kListener, kFirstConnection };
  for (;;) {
    std::vector<pollfd> fds = {{signals.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
    for (const auto& [fd, connection] : connections_) fds.push_back({fd, POLLIN, 0});
    const int ready =
        ::poll(fds.data(), fds.size(), pollTimeout(idle_->deadline(), monotonicSeconds()));
    if (ready < 0 && errno != EINTR) return 1;
    if (ready > 0 && fds[kSignal].revents != 0) return 0;
    for (std::size_t index = kFirstConnection; ready > 0 && index < fds.size(); ++index) {
      if (fds[index].revents == 0) continue;
      auto found = connections_.find(fds[index].fd);
      if (found == connections_.end() || serve(found->second)) continue;
      connections_.erase(found);
      idle_->connectionClosed(monotonicSeconds());
    }
    if (ready > 0 && fds[kListener].revents != 0) accept();
    if (idle_->isDue(monotonicSeconds())) return 0;
  }
}

}  // namespace vigilix
