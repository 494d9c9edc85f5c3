#include "platform/fs/file_facts.h"

#include <fcntl.h>

#include <cerrno>

#include "platform/fs/fs_faults.h"

namespace vigilix::platform {

FileFacts FileFacts::of(const struct stat& info) {
  return FileFacts{
      .isDirectory = S_ISDIR(info.st_mode),
      .isSymlink = S_ISLNK(info.st_mode),
      .isRegularFile = S_ISREG(info.st_mode),
      .ownerUID = static_cast<std::uint32_t>(info.st_uid),
      .ownerGID = static_cast<std::uint32_t>(info.st_gid),
      .mode = static_cast<std::uint16_t>(info.st_mode),
      .linkCount = static_cast<std::uint64_t>(info.st_nlink),
      .size = info.st_size < 0 ? 0 : static_cast<std::uint64_t>(info.st_size),
  };
}

std::expected<FileFacts, int> factsOfPath(const std::filesystem::path& path) {
  if (auto fault = FsFaults::take(FsCall::statPath, path.filename().string())) {
    return std::unexpected(fault->errorCode);
  }
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return std::unexpected(errno);
  return FileFacts::of(info);
}

std::expected<FileFacts, int> factsAt(int directoryFd, const std::string& name) {
  if (auto fault = FsFaults::take(FsCall::statAt, name)) return std::unexpected(fault->errorCode);
  struct stat info {};
  if (::fstatat(directoryFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    return std::unexpected(errno);
  }
  return FileFacts::of(info);
}

std::expected<FileFacts, int> factsOf(int fd) {
  if (auto fault = FsFaults::take(FsCall::stat)) return std::unexpected(fault->errorCode);
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::unexpected(errno);
  return FileFacts::of(info);
}

}  // namespace vigilix::platform
