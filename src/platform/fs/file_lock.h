#pragma once

#include <expected>
#include <filesystem>

#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

// An exclusive flock(2) held on an open file until destruction, which unlocks and closes it.
// Move-only.
class FileLock {
 public:
  // Waits as long as another holder has the lock (EINTR is retried). On failure the file is
  // closed and the errno answered. Can be injected to fail (FsCall::lock).
  static std::expected<FileLock, int> acquireExclusive(UniqueFd file);
  // The same, shared with other shared holders.
  static std::expected<FileLock, int> acquireShared(UniqueFd file);
  // The exclusive lock on a folder itself (made when missing), for a store whose files in it
  // are replaced by rename, so that no lock file is needed beside them.
  static std::expected<FileLock, int> acquireExclusiveOnFolder(const std::filesystem::path& folder);

  FileLock(FileLock&&) noexcept = default;
  FileLock& operator=(FileLock&&) noexcept = default;
  ~FileLock();

  // The locked file, open for as long as the lock is held.
  int descriptor() const { return file_.get(); }

 private:
  explicit FileLock(UniqueFd file) : file_(std::move(file)) {}
  static std::expected<FileLock, int> acquire(UniqueFd file, int operation);
  UniqueFd file_;
};

}  // namespace vigilix::platform
