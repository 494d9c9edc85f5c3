#include "platform/fs/descriptor_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/fs/fs_faults.h"

namespace vigilix::platform {

namespace {

std::expected<void, int> done(int result) {
  if (result != 0) return std::unexpected(errno);
  return {};
}

std::expected<void, int> syncRetrying(int fd) {
  while (::fsync(fd) != 0) {
    if (errno != EINTR) return std::unexpected(errno);
  }
  return {};
}

}  // namespace

std::expected<UniqueFd, int> openAt(int directoryFd, const std::string& name, int flags,
                                    mode_t mode) {
  if (auto fault = FsFaults::take(FsCall::openAt, name)) return std::unexpected(fault->errorCode);
  for (;;) {
    const int fd = ::openat(directoryFd, name.c_str(), flags | O_CLOEXEC, mode);
    if (fd >= 0) return UniqueFd(fd);
    if (errno != EINTR) return std::unexpected(errno);
  }
}

std::expected<void, int> changeMode(int fd, mode_t mode) {
  if (auto fault = FsFaults::take(FsCall::changeMode)) return std::unexpected(fault->errorCode);
  return done(::fchmod(fd, mode));
}

std::expected<void, int> writeAll(int fd, std::span<const std::uint8_t> bytes,
                                  std::string_view name) {
  if (auto fault = FsFaults::take(FsCall::write, name)) {
    const auto first = bytes.first(std::min(fault->writtenFirst, bytes.size()));
    if (auto partial = writeAll(fd, first); !partial) return partial;
    return std::unexpected(fault->errorCode);
  }
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(errno);
    }
    if (written == 0) return std::unexpected(EIO);
    bytes = bytes.subspan(static_cast<std::size_t>(written));
  }
  return {};
}

std::expected<void, int> truncateFile(int fd, off_t length) {
  if (auto fault = FsFaults::take(FsCall::truncate)) return std::unexpected(fault->errorCode);
  for (;;) {
    if (::ftruncate(fd, length) == 0) return {};
    if (errno != EINTR) return std::unexpected(errno);
  }
}

std::expected<void, int> syncFile(int fd) {
  if (auto fault = FsFaults::take(FsCall::syncFile)) return std::unexpected(fault->errorCode);
  return syncRetrying(fd);
}

std::expected<void, int> syncDirectory(int fd) {
  if (auto fault = FsFaults::take(FsCall::syncDirectory)) return std::unexpected(fault->errorCode);
  return syncRetrying(fd);
}

std::expected<void, int> renameAt(int directoryFd, const std::string& from, const std::string& to) {
  if (auto fault = FsFaults::take(FsCall::rename, from)) return std::unexpected(fault->errorCode);
  return done(::renameat(directoryFd, from.c_str(), directoryFd, to.c_str()));
}

std::expected<void, int> unlinkAt(int directoryFd, const std::string& name) {
  if (auto fault = FsFaults::take(FsCall::unlink, name)) return std::unexpected(fault->errorCode);
  return done(::unlinkat(directoryFd, name.c_str(), 0));
}

std::expected<void, int> exchangeAt(int directoryFd, const std::string& from,
                                    const std::string& to) {
  if (auto fault = FsFaults::take(FsCall::rename, from)) return std::unexpected(fault->errorCode);
  return done(::renameat2(directoryFd, from.c_str(), directoryFd, to.c_str(), RENAME_EXCHANGE));
}

std::expected<void, int> renameNoReplaceAt(int directoryFd, const std::string& from,
                                           const std::string& to) {
  if (auto fault = FsFaults::take(FsCall::rename, from)) return std::unexpected(fault->errorCode);
  return done(::renameat2(directoryFd, from.c_str(), directoryFd, to.c_str(), RENAME_NOREPLACE));
}

std::expected<void, int> changeOwner(int fd, uid_t owner, gid_t group) {
  if (auto fault = FsFaults::take(FsCall::changeOwner)) return std::unexpected(fault->errorCode);
  return done(::fchown(fd, owner, group));
}

std::expected<void, int> changeOwnerAt(int directoryFd, const std::string& name, uid_t owner,
                                       gid_t group) {
  if (auto fault = FsFaults::take(FsCall::changeOwner, name)) {
    return std::unexpected(fault->errorCode);
  }
  return done(::fchownat(directoryFd, name.c_str(), owner, group, AT_SYMLINK_NOFOLLOW));
}

std::expected<std::size_t, int> readSome(int fd, std::span<std::uint8_t> buffer) {
  if (auto fault = FsFaults::take(FsCall::read)) return std::unexpected(fault->errorCode);
  for (;;) {
    const ssize_t count = ::read(fd, buffer.data(), buffer.size());
    if (count >= 0) return static_cast<std::size_t>(count);
    if (errno != EINTR) return std::unexpected(errno);
  }
}

std::expected<std::vector<std::uint8_t>, BoundedReadFailure> readAtMost(int fd, std::size_t limit) {
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  for (;;) {
    if (auto fault = FsFaults::take(FsCall::read)) {
      return std::unexpected(BoundedReadFailure{.code = fault->errorCode});
    }
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      return std::unexpected(BoundedReadFailure{.code = errno});
    }
    if (count == 0) return bytes;
    bytes.insert(bytes.end(), chunk, chunk + count);
    if (bytes.size() > limit) return std::unexpected(BoundedReadFailure{.tooLarge = true});
  }
}

}  // namespace vigilix::platform
