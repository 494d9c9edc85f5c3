#include "platform/ipc/packet_socket.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vigilix::platform {
namespace {

std::expected<sockaddr_un, int> addressOf(const std::filesystem::path& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string& text = path.native();
  if (text.empty() || text.size() >= sizeof(address.sun_path)) return std::unexpected(ENAMETOOLONG);
  std::memcpy(address.sun_path, text.data(), text.size());
  return address;
}

std::expected<UniqueFd, int> newSocket() {
  UniqueFd fd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
  if (!fd.valid()) return std::unexpected(errno);
  return fd;
}

}  // namespace

std::expected<UniqueFd, int> listenPacketSocket(const std::filesystem::path& path, mode_t mode) {
  auto address = addressOf(path);
  if (!address) return std::unexpected(address.error());
  auto fd = newSocket();
  if (!fd) return fd;
  struct stat facts {};
  if (::lstat(path.c_str(), &facts) == 0) {
    // Only a socket left by an earlier run is replaced, never another file.
    if (!S_ISSOCK(facts.st_mode)) return std::unexpected(EEXIST);
    if (::unlink(path.c_str()) != 0) return std::unexpected(errno);
  }
  if (::bind(fd->get(), reinterpret_cast<const sockaddr*>(&*address), sizeof(*address)) != 0) {
    return std::unexpected(errno);
  }
  if (::chmod(path.c_str(), mode) != 0) return std::unexpected(errno);
  if (::listen(fd->get(), SOMAXCONN) != 0) return std::unexpected(errno);
  return fd;
}

std::expected<UniqueFd, int> connectPacketSocket(const std::filesystem::path& path) {
  auto address = addressOf(path);
  if (!address) return std::unexpected(address.error());
  auto fd = newSocket();
  if (!fd) return fd;
  int result = 0;
  do {
    result = ::connect(fd->get(), reinterpret_cast<const sockaddr*>(&*address), sizeof(*address));
  } while (result != 0 && errno == EINTR);
  if (result != 0) return std::unexpected(errno);
  return fd;
}

std::expected<UniqueFd, int> acceptPacketConnection(int listenFd, bool nonBlocking) {
  for (;;) {
    const int fd =
        ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | (nonBlocking ? SOCK_NONBLOCK : 0));
    if (fd >= 0) return UniqueFd(fd);
    if (errno != EINTR) return std::unexpected(errno);
  }
}

std::expected<void, int> sendPacket(int fd, std::string_view bytes) {
  for (;;) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent >= 0) {
      if (static_cast<std::size_t>(sent) != bytes.size()) return std::unexpected(EMSGSIZE);
      return {};
    }
    if (errno != EINTR) return std::unexpected(errno);
  }
}

std::expected<ReceivedPacket, int> receivePacket(int fd, std::size_t limit) {
  ReceivedPacket packet;
  packet.bytes.resize(limit + 1);
  for (;;) {
    iovec part{packet.bytes.data(), packet.bytes.size()};
    msghdr message{};
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    const ssize_t received = ::recvmsg(fd, &message, MSG_CMSG_CLOEXEC);
    if (received < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(errno);
    }
    // A zero-length read is the peer's close: our wire never sends an empty packet.
    packet.closed = received == 0;
    packet.truncated =
        (message.msg_flags & MSG_TRUNC) != 0 || static_cast<std::size_t>(received) > limit;
    packet.bytes.resize(packet.truncated ? 0 : static_cast<std::size_t>(received));
    return packet;
  }
}

std::expected<PeerCredentials, int> peerCredentials(int fd) {
  ucred credentials{};
  socklen_t length = sizeof(credentials);
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
    return std::unexpected(errno);
  }
  return PeerCredentials{credentials.pid, credentials.uid, credentials.gid};
}

}  // namespace vigilix::platform
