#include "platform/fs/stale_temporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>

#include "platform/base/logger.h"
#include "platform/fs/descriptor_calls.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("files");
  return logger;
}

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kTemporaryLetters = 6;

std::vector<std::string> namesIn(int directoryFd) {
  std::vector<std::string> names;
  const int listed = ::openat(directoryFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listed < 0) return names;
  DIR* folder = ::fdopendir(listed);
  if (folder == nullptr) {
    ::close(listed);
    return names;
  }
  while (const dirent* entry = ::readdir(folder)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(folder);
  return names;
}

}  // namespace

std::optional<std::string> atomicWriteTarget(std::string_view name) {
  const std::size_t suffix = kTemporaryMark.size() + kTemporaryLetters;
  if (name.size() <= suffix + 1 || name.front() != '.') return std::nullopt;
  const std::string_view letters = name.substr(name.size() - kTemporaryLetters);
  if (name.substr(name.size() - suffix, kTemporaryMark.size()) != kTemporaryMark) {
    return std::nullopt;
  }
  for (const char c : letters) {
    if (std::isalnum(static_cast<unsigned char>(c)) == 0) return std::nullopt;
  }
  return std::string(name.substr(1, name.size() - suffix - 1));
}

std::vector<std::string> removeStaleTemporaries(
    int directoryFd, const std::function<bool(std::string_view name)>& isStale) {
  std::vector<std::string> removed;
  for (const std::string& name : namesIn(directoryFd)) {
    if (!isStale(name)) continue;
    if (auto unlinked = unlinkAt(directoryFd, name); !unlinked) {
      if (unlinked.error() != ENOENT) {
        log().error("Cannot remove stale temporary file {}: errno {}", name, unlinked.error());
      }
      continue;
    }
    log().info("Removed stale temporary file {}", name);
    removed.push_back(name);
  }
  return removed;
}

std::vector<std::string> removeStaleTemporaries(
    const std::filesystem::path& folder,
    const std::function<bool(std::string_view name)>& isStale) {
  auto opened = openAt(AT_FDCWD, folder.string(), O_RDONLY | O_DIRECTORY);
  if (!opened) return {};
  return removeStaleTemporaries(opened->get(), isStale);
}

}  // namespace vigilix::platform
