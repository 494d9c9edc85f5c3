#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>

namespace vigilix::platform {

// What a security check needs to know of one file or folder, from lstat/fstat.
struct FileFacts {
  bool isDirectory = false;
  bool isSymlink = false;
  bool isRegularFile = false;
  std::uint32_t ownerUID = 0;
  std::uint32_t ownerGID = 0;
  std::uint16_t mode = 0;  // the full st_mode
  std::uint64_t linkCount = 0;
  std::uint64_t size = 0;  // bytes

  static FileFacts of(const struct stat& info);
  bool operator==(const FileFacts&) const = default;
};

// Failures answer the errno. Each can be injected (FsCall::statPath, statAt, stat).
std::expected<FileFacts, int> factsOfPath(const std::filesystem::path& path);     // never follows
std::expected<FileFacts, int> factsAt(int directoryFd, const std::string& name);  // never follows
std::expected<FileFacts, int> factsOf(int fd);

}  // namespace vigilix::platform
