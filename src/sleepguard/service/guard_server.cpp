#include "sleepguard/service/guard_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/fs/file_system.h"
#include "platform/ipc/packet_socket.h"
#include "platform/ipc/service_manager.h"
#include "platform/ipc/termination_signals.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/service_sockets.h"

namespace vigilix {
namespace {

platform::UniqueFd repeatingTimer(int seconds) {
  platform::UniqueFd fd(::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK));
  if (!fd.valid()) return fd;
  itimerspec period{};
  period.it_value.tv_sec = seconds;
  period.it_interval.tv_sec = seconds;
  if (::timerfd_settime(fd.get(), 0, &period, nullptr) != 0) return {};
  return fd;
}

bool drained(int timerFd) {
  std::uint64_t expirations = 0;
  return ::read(timerFd, &expirations, sizeof(expirations)) == sizeof(expirations);
}

}  // namespace

std::expected<VGXGuardListeners, std::string> takeGuardListeners() {
  const VGXServiceSocket sockets[] = {
      {VGXGuardNames::guardSocketName, VGXGuardNames::guardMachService, 0666},
      {VGXGuardNames::adminSocketName, VGXGuardNames::adminMachService, 0600},
  };
  auto taken = takeServiceSockets(sockets);
  if (!taken) return std::unexpected(taken.error());
  return VGXGuardListeners{std::move((*taken)[0]), std::move((*taken)[1])};
}

VGXGuardServer::VGXGuardServer(VGXGuardDaemon& daemon, VGXGuardListeners listeners, Peers peers,
                               std::unique_ptr<platform::ProcessIdentity> processes,
                               std::unique_ptr<platform::LogindWakeSignal> wake,
                               std::function<void()> appMissingCheck)
    : daemon_(daemon),
      listeners_(std::move(listeners)),
      peers_(std::move(peers)),
      processes_(std::move(processes)),
      wake_(std::move(wake)),
      appMissingCheck_(std::move(appMissingCheck)) {}

void VGXGuardServer::blockTerminationSignals() { platform::blockTerminationSignals(); }

void VGXGuardServer::accept(int listener, VGXGuardService service) {
  auto connection = platform::acceptPacketConnection(listener);
  if (!connection) return;
  auto credentials = platform::peerCredentials(connection->get());
  if (!credentials) return;
  const auto& expectation = service == VGXGuardService::admin ? peers_.admin : peers_.client;
  auto peer = checkPeer(*credentials, expectation, *processes_);
  if (!peer) return;  // closing the connection is the refusal
  const int fd = connection->get();
  connections_.emplace(fd, Connection{std::move(*connection), service, peer->uid});
}

bool VGXGuardServer::serve(Connection& connection) {
  auto packet = platform::receivePacket(connection.fd.get());
  if (!packet || packet->closed || packet->truncated) return false;
  auto dictionary = VGXGuardWire::dictionaryFromPacket(packet->bytes);
  if (!dictionary) return false;
  const auto& interface = connection.service == VGXGuardService::admin
                              ? VGXGuardInterfaces::adminInterface()
                              : VGXGuardInterfaces::guardInterface();
  auto request = VGXGuardInterfaces::decodeRequest(interface, *dictionary);
  if (!request) return false;
  const auto reply = daemon_.answer(connection.uid, *request);
  return platform::sendPacket(connection.fd.get(), VGXGuardWire::packetText(reply)).has_value();
}

int VGXGuardServer::run() {
  platform::UniqueFd signalFd = platform::openTerminationSignals();
  // A lapsed lease is seen at the next tick: a shorter lease is looked at more often.
  const auto tick = std::clamp<std::int64_t>(VGXGuardDaemon::leaseSeconds() / 3, 1, kTickSeconds);
  platform::UniqueFd tickTimer = repeatingTimer(static_cast<int>(tick));
  platform::UniqueFd cleanupTimer = repeatingTimer(kAppMissingSeconds);
  if (!signalFd.valid() || !tickTimer.valid() || !cleanupTimer.valid()) return 1;
  platform::notifyServiceReady();

  enum Slot { kSignal, kTick, kCleanup, kWake, kClient, kAdmin, kFirstConnection };
  for (;;) {
    std::vector<pollfd> fds = {
        {signalFd.get(), POLLIN, 0},
        {tickTimer.get(), POLLIN, 0},
        {cleanupTimer.get(), POLLIN, 0},
        {wake_ ? wake_->fd() : -1, static_cast<short>(wake_ ? wake_->events() : 0), 0},
        {listeners_.client.get(), POLLIN, 0},
        {listeners_.admin.get(), POLLIN, 0},
    };
    for (const auto& [fd, connection] : connections_) fds.push_back({fd, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      return 1;
    }
    if (fds[kSignal].revents != 0) {
      daemon_.shutdown();
      return 0;
    }
    if (fds[kTick].revents != 0 && drained(tickTimer.get())) {
      daemon_.tick();
      // Fed only after the core's tick came back, so a core that hangs is restarted.
      platform::notifyWatchdog();
    }
    if (fds[kCleanup].revents != 0 && drained(cleanupTimer.get()) && appMissingCheck_) {
      appMissingCheck_();
    }
    if (wake_ && fds[kWake].revents != 0) {
      const int wakes = wake_->takeWakes();
      if (wakes > 0) daemon_.handleWake();
      if (wakes < 0) wake_.reset();
    }
    for (std::size_t index = kFirstConnection; index < fds.size(); ++index) {
      if (fds[index].revents == 0) continue;
      auto found = connections_.find(fds[index].fd);
      if (found != connections_.end() && !serve(found->second)) connections_.erase(found);
    }
    if (fds[kClient].revents != 0) accept(listeners_.client.get(), VGXGuardService::client);
    if (fds[kAdmin].revents != 0) accept(listeners_.admin.get(), VGXGuardService::admin);
  }
}

}  // namespace vigilix
