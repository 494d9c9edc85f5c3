#include "sleepguard/service/guard_server.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "platform/ipc/packet_socket.h"
#include "platform/ipc/service_manager.h"
#include "platform/ipc/termination_signals.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/service_sockets.h"

namespace vigilix {
namespace {

// The safety checks run every 10 s, every third of a shorter lease.
std::int64_t tickSeconds() {
  return std::clamp<std::int64_t>(VGXGuardDaemon::leaseSeconds() / 3, 1,
                                  VGXGuardServer::kTickSeconds);
}

constexpr std::uint64_t kNsPerSecond = 1'000'000'000;
constexpr std::uint64_t kNsPerMillisecond = 1'000'000;

int service(VGXGuardService which) { return static_cast<int>(which); }

// Milliseconds until `deadline`, rounded up so the loop never wakes early.
int pollTimeout(std::uint64_t deadline, std::uint64_t now) {
  if (deadline <= now) return 0;
  const std::uint64_t left = (deadline - now + kNsPerMillisecond - 1) / kNsPerMillisecond;
  return static_cast<int>(std::min<std::uint64_t>(left, INT_MAX));
}

// The next time of a repeating timer that fell due at `due`, never in the past.
std::uint64_t nextPeriod(std::uint64_t due, std::uint64_t period, std::uint64_t now) {
  return due + period > now ? due + period : now + period;
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

VGXGuardServer::VGXGuardServer(VGXGuardDaemon& daemon, VGXGuardClock& clock,
                               VGXGuardListeners listeners, Peers peers, Parts parts)
    : daemon_(daemon),
      clock_(clock),
      listeners_(std::move(listeners)),
      peers_(std::move(peers)),
      parts_(std::move(parts)),
      server_(
          {{listeners_.client.get(), service(VGXGuardService::client)},
           {listeners_.admin.get(), service(VGXGuardService::admin)}},
          kLimits,
          {[this](const auto& peer) { return admit(peer); },
           [this](const auto& peer, std::string_view packet) { return answer(peer, packet); },
           {},
           {}},
          [this] { return clock_.continuousNanoseconds(); }, platform::Logger("guard")) {}

void VGXGuardServer::blockTerminationSignals() { platform::blockTerminationSignals(); }

std::expected<void, platform::PacketServer::Refusal> VGXGuardServer::admit(
    const platform::PacketServer::Peer& peer) {
  const bool admin = peer.service == service(VGXGuardService::admin);
  auto checked =
      checkPeer(peer.credentials, admin ? peers_.admin : peers_.client, *parts_.processes);
  if (!checked) return std::unexpected(std::string(describe(checked.error())));
  // The counterpart of the signed client: the application of the person at the machine.
  if (!admin && !parts_.seats->isAtASeat(peer.credentials.uid)) {
    return std::unexpected("peer user not in an active local session on a seat");
  }
  return {};
}

std::expected<std::string, platform::PacketServer::Refusal> VGXGuardServer::answer(
    const platform::PacketServer::Peer& peer, std::string_view packet) {
  const bool admin = peer.service == service(VGXGuardService::admin);
  auto request = VGXGuardInterfaces::requestFromPacket(
      admin ? VGXGuardInterfaces::adminInterface() : VGXGuardInterfaces::guardInterface(), packet);
  if (!request) return std::unexpected(request.error());
  return VGXGuardWire::packetText(daemon_.answer(peer.credentials.uid, *request));
}

bool VGXGuardServer::start() {
  signalFd_ = platform::openTerminationSignals();
  if (!signalFd_.valid()) return false;
  const std::uint64_t now = clock_.continuousNanoseconds();
  nextTick_ = now + tickSeconds() * kNsPerSecond;
  nextAppMissingCheck_ = now + kAppMissingSeconds * kNsPerSecond;
  started_ = true;
  platform::notifyServiceReady();
  return true;
}

std::uint64_t VGXGuardServer::nextDeadline() {
  std::uint64_t next = std::min(nextTick_, nextAppMissingCheck_);
  if (const auto lapse = daemon_.core().leaseExpiresAt()) next = std::min(next, *lapse);
  if (const auto due = server_.nextDeadline()) next = std::min(next, *due);
  return next;
}

bool VGXGuardServer::step(std::optional<std::uint64_t> longestNanoseconds) {
  if (!started_ && !start()) {
    exitStatus_ = 1;
    return false;
  }
  std::vector<pollfd> fds = {
      {signalFd_.get(), POLLIN, 0},
      {parts_.wake ? parts_.wake->fd() : -1,
       static_cast<short>(parts_.wake ? parts_.wake->events() : 0), 0},
  };
  constexpr std::size_t kSignal = 0;
  constexpr std::size_t kWake = 1;
  constexpr std::size_t kFirstOfServer = 2;
  server_.appendPollFds(fds);

  std::uint64_t now = clock_.continuousNanoseconds();
  std::uint64_t deadline = nextDeadline();
  if (longestNanoseconds) deadline = std::min(deadline, now + *longestNanoseconds);
  if (::poll(fds.data(), fds.size(), pollTimeout(deadline, now)) < 0) {
    if (errno == EINTR) return true;
    exitStatus_ = 1;
    return false;
  }
  if (fds[kSignal].revents != 0) {
    daemon_.shutdown();
    return false;
  }

  now = clock_.continuousNanoseconds();
  const auto lapse = daemon_.core().leaseExpiresAt();
  if (now >= nextTick_) {
    nextTick_ = nextPeriod(nextTick_, tickSeconds() * kNsPerSecond, now);
    daemon_.tick();
    // Fed only after the core's tick came back, so a core that hangs is restarted.
    platform::notifyWatchdog();
  } else if (lapse && now >= *lapse) {
    daemon_.tick();  // ends the lease now rather than at the next tick
  }
  if (now >= nextAppMissingCheck_) {
    nextAppMissingCheck_ = nextPeriod(nextAppMissingCheck_, kAppMissingSeconds * kNsPerSecond, now);
    if (parts_.appMissingCheck) parts_.appMissingCheck();
  }
  if (parts_.wake && fds[kWake].revents != 0) {
    const int wakes = parts_.wake->takeWakes();
    if (wakes > 0) daemon_.handleWake();
    if (wakes < 0) parts_.wake.reset();
  }
  server_.serve(std::span(fds).subspan(kFirstOfServer));
  return true;
}

int VGXGuardServer::run() {
  if (!start()) return 1;
  while (step()) {
  }
  return exitStatus_;
}

}  // namespace vigilix
