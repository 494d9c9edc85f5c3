#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>

namespace vigilix::platform {

// Tells one state of a file's contents from another without reading them: a
// replaced or rewritten file differs in at least one field.
struct FileVersion {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNanoseconds = 0;
  std::int64_t changedNanoseconds = 0;

  bool operator==(const FileVersion&) const = default;
};

// Follows symbolic links. Failures answer the errno; injectable (FsCall::statPath).
std::expected<FileVersion, int> versionOfPath(const std::filesystem::path& path);

}  // namespace vigilix::platform
