#include "platform/fs/file_version.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/fs/fs_faults.h"

namespace vigilix::platform {

namespace {

std::int64_t nanoseconds(const struct timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

std::expected<FileVersion, int> versionOfPath(const std::filesystem::path& path) {
  if (auto fault = FsFaults::take(FsCall::statPath, path.filename().string())) {
    return std::unexpected(fault->errorCode);
  }
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::unexpected(errno);
  return FileVersion{
      .device = static_cast<std::uint64_t>(info.st_dev),
      .inode = static_cast<std::uint64_t>(info.st_ino),
      .size = info.st_size < 0 ? 0 : static_cast<std::uint64_t>(info.st_size),
      .modifiedNanoseconds = nanoseconds(info.st_mtim),
      .changedNanoseconds = nanoseconds(info.st_ctim),
  };
}

}  // namespace vigilix::platform
