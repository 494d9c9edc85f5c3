#pragma once

#include <expected>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

// Where a no-follow walk stopped.
enum class WalkStep {
  statRoot,       // the root cannot be examined or is not a directory
  openRoot,       // the root cannot be opened
  component,      // a component is missing or not a real directory (ELOOP for a link)
  openDirectory,  // a component cannot be opened as a directory without following a link
  refused,        // the caller's check refused a directory
};

struct WalkFailure {
  WalkStep step = WalkStep::statRoot;
  int code = 0;  // errno; 0 when refused
  bool operator==(const WalkFailure&) const = default;
};

// Answers false to refuse an opened directory; the walk then closes it and stops.
using DirectoryVerifier = std::function<bool(int directoryFd)>;

// Opens `root`, then each of `components` below it (single names, no "." or ".."), never
// following a symbolic link, and lets `verify` examine every directory opened, the root
// included. Answers the descriptor of the last component; every failure closes what is open.
std::expected<UniqueFd, WalkFailure> openDirectoryNoFollow(
    const std::filesystem::path& root, const std::vector<std::string>& components,
    const DirectoryVerifier& verify);

}  // namespace vigilix::platform
