#include "closedlid/guard_socket_check.h"

#include <cstring>

#include "platform/ipc/process_identity.h"

namespace vigilix {
namespace {

constexpr pid_t kServiceManagerPid = 1;

bool rootsAlone(const platform::FileFacts& facts, std::uint32_t owner) {
  return facts.ownerUID == owner && (facts.mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

std::optional<std::string> refuseServiceSocket(const VGXServiceSocketFacts& facts,
                                               const VGXServiceSocketExpectation& expectation) {
  if (facts.peer.uid != expectation.ownerUID) return "the service does not run as root";
  // Clients must be able to write to the socket itself; what keeps it from
  // being replaced is its folder.
  if (!facts.socket || !S_ISSOCK(facts.socket->mode) ||
      facts.socket->ownerUID != expectation.ownerUID) {
    return "the service's socket is not root's";
  }
  if (!facts.folder || !facts.folder->isDirectory ||
      !rootsAlone(*facts.folder, expectation.ownerUID)) {
    return "the service's socket folder is open to others";
  }
  if (expectation.executablePath.empty() || facts.peer.pid == kServiceManagerPid) {
    return std::nullopt;
  }
  if (!facts.peerExecutable) return "the service's program cannot be read";
  if (*facts.peerExecutable != expectation.executablePath)
    return "another program serves the socket";
  return std::nullopt;
}

std::expected<platform::UniqueFd, std::string> connectCheckedServiceSocket(
    const VGXServiceSocketExpectation& expectation) {
  auto connection = platform::connectPacketSocket(expectation.socket);
  if (!connection) return std::unexpected(std::string(std::strerror(connection.error())));
  const auto peer = platform::peerCredentials(connection->get());
  if (!peer) return std::unexpected(std::string(std::strerror(peer.error())));
  VGXServiceSocketFacts facts{*peer, std::nullopt, platform::factsOfPath(expectation.socket),
                              platform::factsOfPath(expectation.socket.parent_path())};
  if (!expectation.executablePath.empty() && peer->pid != kServiceManagerPid) {
    facts.peerExecutable = platform::ProcessIdentity::live()->executablePath(peer->pid);
  }
  if (auto refusal = refuseServiceSocket(facts, expectation)) return std::unexpected(*refusal);
  return std::move(*connection);
}

}  // namespace vigilix
