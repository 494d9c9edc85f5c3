#include "platform/ipc/packet_server.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace vigilix::platform {
namespace {

// The errors of an accept that a later accept may not have: the loop waits a while.
bool outOfResources(int error) {
  return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM;
}

// Processes remembered as refused at once, so that a flood from many cannot grow the table.
constexpr std::size_t kRemembered = 256;

}  // namespace

PacketServer::PacketServer(std::vector<Listener> listeners, PacketServerLimits limits,
                           Handlers handlers, std::function<std::uint64_t()> now, Logger logger)
    : listeners_(std::move(listeners)),
      limits_(limits),
      handlers_(std::move(handlers)),
      now_(std::move(now)),
      log_(std::move(logger)) {
  // A listener handed over by socket activation may be blocking; an accept
  // must never wait for a peer that gave up meanwhile.
  for (const auto& listener : listeners_) {
    const int flags = ::fcntl(listener.fd, F_GETFL);
    if (flags >= 0) (void)::fcntl(listener.fd, F_SETFL, flags | O_NONBLOCK);
  }
}

void PacketServer::appendPollFds(std::vector<pollfd>& fds) const {
  if (!acceptPausedUntil_) {
    for (const auto& listener : listeners_) fds.push_back({listener.fd, POLLIN, 0});
  }
  for (const auto& [fd, connection] : connections_) fds.push_back({fd, POLLIN, 0});
}

std::optional<std::uint64_t> PacketServer::nextDeadline() const {
  std::optional<std::uint64_t> next = acceptPausedUntil_;
  for (const auto& [fd, connection] : connections_) {
    const std::uint64_t due = connection.lastActive + limits_.silenceNanoseconds;
    if (!next || due < *next) next = due;
  }
  return next;
}

void PacketServer::serve(std::span<const pollfd> ready) {
  std::uint64_t now = now_();
  for (const pollfd& entry : ready) {
    if (entry.revents == 0) continue;
    if (auto found = connections_.find(entry.fd); found != connections_.end()) {
      serveConnection(found->second, entry.revents, now);
      now = now_();
    }
  }
  if (acceptPausedUntil_ && now >= *acceptPausedUntil_) acceptPausedUntil_.reset();
  for (const pollfd& entry : ready) {
    if (entry.revents == 0 || acceptPausedUntil_) continue;
    for (const auto& listener : listeners_) {
      if (listener.fd == entry.fd) acceptFrom(listener, now);
    }
  }
  std::vector<int> silent;
  for (const auto& [fd, connection] : connections_) {
    if (now >= connection.lastActive + limits_.silenceNanoseconds) silent.push_back(fd);
  }
  for (const int fd : silent) close(fd, "silent too long", now);
}

std::size_t PacketServer::connectionsOf(std::uint32_t uid) const {
  return static_cast<std::size_t>(
      std::count_if(connections_.begin(), connections_.end(),
                    [uid](const auto& entry) { return entry.second.peer.credentials.uid == uid; }));
}

void PacketServer::acceptFrom(const Listener& listener, std::uint64_t now) {
  for (int taken = 0; taken < kAcceptsPerPass; ++taken) {
    auto accepted = acceptPacketConnection(listener.fd, true);
    if (!accepted) {
      if (outOfResources(accepted.error())) {
        acceptPausedUntil_ = now + kAcceptPauseNanoseconds;
        log_.refuse(std::nullopt, "cannot accept: out of descriptors or memory", now);
      }
      // EAGAIN: none left; anything else ended one connection only.
      if (accepted.error() == EAGAIN || acceptPausedUntil_) return;
      continue;
    }
    auto credentials = peerCredentials(accepted->get());
    if (!credentials) continue;
    const Peer peer{*credentials, listener.service};
    // Counted before anything is read about the peer: a flood costs no /proc read.
    if (connections_.size() >= limits_.total) {
      log_.refuse(peer.credentials, "over the connections allowed in all", now);
      continue;
    }
    if (connectionsOf(peer.credentials.uid) >= limits_.perUser) {
      log_.refuse(peer.credentials, "over the connections allowed per user", now);
      continue;
    }
    const auto key = std::make_pair(peer.credentials.pid, peer.service);
    const auto refused = refusedUntil_.find(key);
    if (refused != refusedUntil_.end() && now < refused->second) {
      log_.refuse(peer.credentials, "refused a moment ago", now);
      continue;
    }
    if (auto admitted = handlers_.admit(peer); !admitted) {
      log_.refuse(peer.credentials, admitted.error(), now);
      if (refusedUntil_.size() >= kRemembered) {
        std::erase_if(refusedUntil_, [now](const auto& entry) { return now >= entry.second; });
      }
      if (refusedUntil_.size() < kRemembered) {
        refusedUntil_[key] = now + kRefusedPeerRestNanoseconds;
      }
      continue;
    }
    const int fd = accepted->get();
    connections_.emplace(fd, Connection{std::move(*accepted), peer, now});
    if (handlers_.opened) handlers_.opened();
  }
}

void PacketServer::serveConnection(Connection& connection, short revents, std::uint64_t now) {
  const int fd = connection.fd.get();
  if ((revents & POLLIN) == 0) return close(fd, std::nullopt, now);
  auto packet = receivePacket(fd);
  if (!packet) {
    if (packet.error() != EAGAIN) close(fd, std::nullopt, now);
    return;
  }
  if (packet->closed) return close(fd, std::nullopt, now);
  if (packet->truncated) return close(fd, "request too long", now);
  auto reply = handlers_.answer(connection.peer, packet->bytes);
  if (!reply) return close(fd, reply.error(), now);
  if (auto sent = sendPacket(fd, *reply); !sent) {
    // A peer that went away needs no line; one that does not read does.
    return close(
        fd,
        sent.error() == EAGAIN ? std::optional<std::string_view>("replies not read") : std::nullopt,
        now);
  }
  // The answer may have taken a while (an install): the silence counts from its end.
  connection.lastActive = now_();
}

void PacketServer::close(int fd, std::optional<std::string_view> reason, std::uint64_t now) {
  auto found = connections_.find(fd);
  if (found == connections_.end()) return;
  if (reason) log_.refuse(found->second.peer.credentials, *reason, now);
  connections_.erase(found);
  if (handlers_.closed) handlers_.closed();
}

}  // namespace vigilix::platform
