#pragma once

#include <sys/types.h>

#include <cstdint>
#include <expected>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

// What a check of a connected peer reads about its process. A pid alone can
// be reused by another process between two reads, so a check holds a pidfd
// and compares the start time before and after.
class ProcessIdentity {
 public:
  virtual ~ProcessIdentity() = default;
  // pidfd_open(2); the errno on failure (ESRCH: the process is gone).
  virtual std::expected<UniqueFd, int> openPidfd(pid_t pid) = 0;
  // The process behind the pidfd has not ended.
  virtual bool isAlive(int pidfd) = 0;
  // The start time in clock ticks after boot (field 22 of /proc/<pid>/stat).
  virtual std::optional<std::uint64_t> startTicks(pid_t pid) = 0;
  // The target of /proc/<pid>/exe as the kernel gives it (a replaced or
  // removed file ends in " (deleted)").
  virtual std::optional<std::string> executablePath(pid_t pid) = 0;

  // Reads <procRoot>/proc; the real "/" unless a test gives a tree.
  static std::unique_ptr<ProcessIdentity> live(std::filesystem::path procRoot = "/");
};

}  // namespace vigilix::platform
