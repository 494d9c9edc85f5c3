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

constexpr std::uint64_t kNsPerMillisecond = 1'000'000;

std::uint64_t monotonicNanoseconds() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

// Milliseconds until `deadline`, rounded up so the loop never wakes early.
int pollTimeout(const std::optional<std::uint64_t>& deadline, std::uint64_t now) {
  if (!deadline) return -1;
  if (*deadline <= now) return 0;
  const std::uint64_t left = (*deadline - now + kNsPerMillisecond - 1) / kNsPerMillisecond;
  return static_cast<int>(std::min<std::uint64_t>(left, 3'600'000));
}

}  // namespace

LiveInstaller::LiveInstaller(std::unique_ptr<VGXInstallerSystem> system,
                             platform::UniqueFd listener, VGXPeerExpectation peer,
                             std::unique_ptr<platform::ProcessIdentity> processes,
                             std::function<std::uint64_t()> now)
    : system_(std::move(system)),
      listener_(std::move(listener)),
      peer_(std::move(peer)),
      processes_(std::move(processes)),
      now_(now ? std::move(now) : monotonicNanoseconds) {}

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

bool LiveInstaller::open() {
  platform::blockTerminationSignals();
  signals_ = platform::openTerminationSignals();
  if (!signals_.valid()) return false;
  idle_.emplace(seconds());
  platform::PacketServer::Handlers handlers{
      [this](const platform::PacketServer::Peer& peer)
          -> std::expected<void, platform::PacketServer::Refusal> {
        auto checked = checkPeer(peer.credentials, peer_, *processes_);
        if (!checked) return std::unexpected(std::string(describe(checked.error())));
        return {};
      },
      [this](const platform::PacketServer::Peer& peer, std::string_view packet)
          -> std::expected<std::string, platform::PacketServer::Refusal> {
        auto request =
            VGXGuardInterfaces::requestFromPacket(VGXGuardInterfaces::installerInterface(), packet);
        if (!request) return std::unexpected(request.error());
        return VGXGuardWire::packetText(answer(peer.credentials.uid, *request));
      },
      [this] { idle_->connectionOpened(); },
      [this] { idle_->connectionClosed(seconds()); },
  };
  server_.emplace(std::vector<platform::PacketServer::Listener>{{listener_.get(), 0}}, kLimits,
                  std::move(handlers), now_, platform::Logger("installer"));
  return true;
}

bool LiveInstaller::step(std::optional<std::uint64_t> longestNanoseconds) {
  if (!server_ && !open()) {
    exitStatus_ = 1;
    return false;
  }
  std::vector<pollfd> fds = {{signals_.get(), POLLIN, 0}};
  server_->appendPollFds(fds);
  std::uint64_t now = now_();
  std::optional<std::uint64_t> deadline = server_->nextDeadline();
  if (const auto idle = idle_->deadline()) {
    const auto due = static_cast<std::uint64_t>(std::ceil(std::max(0.0, *idle) * 1e9));
    deadline = deadline ? std::min(*deadline, due) : due;
  }
  if (longestNanoseconds) {
    deadline = std::min(deadline.value_or(UINT64_MAX), now + *longestNanoseconds);
  }
  const int ready = ::poll(fds.data(), fds.size(), pollTimeout(deadline, now));
  if (ready < 0 && errno != EINTR) {
    exitStatus_ = 1;
    return false;
  }
  if (ready > 0 && fds[0].revents != 0) return false;
  if (ready >= 0) server_->serve(std::span(fds).subspan(1));
  return !idle_->isDue(seconds());
}

int LiveInstaller::run() {
  while (step()) {
  }
  return exitStatus_;
}

}  // namespace vigilix
