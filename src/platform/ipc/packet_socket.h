#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

// Unix sockets of type SOCK_SEQPACKET: each send is one packet that arrives
// whole or not at all, so one packet carries one message with no framing of
// our own. Descriptors are close-on-exec. Failures answer the errno.

// The largest packet a peer may send; a longer one is cut by the kernel and
// refused here.
inline constexpr std::size_t kMaxPacketBytes = 65536;

// Binds a listening socket at `path` (a real path, not mapped under the
// file-system root), replacing a stale socket file there, and gives it `mode`.
// The folder must exist.
std::expected<UniqueFd, int> listenPacketSocket(const std::filesystem::path& path, mode_t mode);
std::expected<UniqueFd, int> connectPacketSocket(const std::filesystem::path& path);
// Accepts one pending connection; EAGAIN when none waits on a non-blocking
// listener. A server that must never wait on a peer takes it `nonBlocking`.
std::expected<UniqueFd, int> acceptPacketConnection(int listenFd, bool nonBlocking = false);

// On a non-blocking socket, EAGAIN when the peer's queue has no room: the
// peer does not read its replies.
std::expected<void, int> sendPacket(int fd, std::string_view bytes);

// One received packet, or the peer's orderly close.
struct ReceivedPacket {
  bool closed = false;
  bool truncated = false;  // longer than the limit: refuse it
  std::string bytes;
};
std::expected<ReceivedPacket, int> receivePacket(int fd, std::size_t limit = kMaxPacketBytes);

// The peer of a connected Unix socket as the kernel recorded it at connect.
struct PeerCredentials {
  pid_t pid = 0;
  std::uint32_t uid = 0;
  std::uint32_t gid = 0;
  bool operator==(const PeerCredentials&) const = default;
};
std::expected<PeerCredentials, int> peerCredentials(int fd);

}  // namespace vigilix::platform
