#include "agenthooks/hook_installer.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "agenthooks/hooks_file_format.h"
#include "platform/crypto/sha256.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_lock.h"
#include "platform/fs/file_system.h"
#include "platform/locale/calendar.h"
#include "platform/runloop/clock.h"

namespace vigilix {

using platform::FileSystem;
using platform::json::Value;
using Path = std::filesystem::path;

namespace {

constexpr mode_t kNewFileMode = 0644;

VGXHookInstallError failure(int code, const Path& path, std::string_view what) {
  return {fmt::format("{} {}: {}", what, path.string(), std::strerror(code))};
}

// False only when the path certainly names nothing; an unreadable folder counts as there, so
// that reading reports the real failure.
bool mayExist(const Path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

std::expected<std::string, VGXHookInstallError> readHooksBytes(const Path& path) {
  auto bytes = FileSystem::readFile(path);
  if (bytes) return std::move(*bytes);
  // Only a missing file is empty: anything else unreadable must never be overwritten.
  if (bytes.error().code == ENOENT) return std::string();
  return std::unexpected(VGXHookInstallError{bytes.error().message});
}

std::string digestOf(std::string_view bytes) {
  return platform::sha256HexString(platform::sha256(bytes));
}

std::expected<mode_t, VGXHookInstallError> modeToKeep(const Path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) == 0) return info.st_mode & 07777;
  if (errno == ENOENT) return kNewFileMode;
  return std::unexpected(failure(errno, file, "cannot inspect"));
}

std::string backupStamp(platform::Date now) {
  using platform::CalendarUnit;
  const auto parts = platform::Calendar::current().componentsFromDate(
      CalendarUnit::year | CalendarUnit::month | CalendarUnit::day | CalendarUnit::hour |
          CalendarUnit::minute | CalendarUnit::second,
      now);
  return fmt::format("{:04d}{:02d}{:02d}-{:02d}{:02d}{:02d}", parts.year.value_or(0),
                     parts.month.value_or(0), parts.day.value_or(0), parts.hour.value_or(0),
                     parts.minute.value_or(0), parts.second.value_or(0));
}

// The first free name of "<file>.vigilix-backup-<stamp>", "-2", "-3" ...; never replaces one.
VGXHookInstaller::Result writeBackup(const Path& hooksFile, std::string_view bytes, mode_t mode) {
  const std::string base =
      hooksFile.string() + ".vigilix-backup-" + backupStamp(platform::Clock::current().now());
  for (int attempt = 1;; ++attempt) {
    const Path name = attempt == 1 ? Path(base) : Path(base + "-" + std::to_string(attempt));
    auto made = FileSystem::createFileAtomically(name, bytes, mode & 0777);
    if (made) return {};
    if (made.error().code != EEXIST) {
      return std::unexpected(VGXHookInstallError{made.error().message});
    }
  }
}

// The one step that replaces the hooks file; on failure the temporary file goes.
VGXHookInstaller::Result swapIn(const Path& temporary, const Path& target) {
  auto folder = platform::openAt(AT_FDCWD, target.parent_path().string(), O_RDONLY | O_DIRECTORY);
  if (!folder) {
    ::unlink(temporary.c_str());
    return std::unexpected(VGXHookInstallError::writeFailed());
  }
  const std::string from = temporary.filename().string();
  if (!platform::renameAt(folder->get(), from, target.filename().string())) {
    (void)platform::unlinkAt(folder->get(), from);
    return std::unexpected(VGXHookInstallError::writeFailed());
  }
  // The new file is in place; a folder that cannot be flushed changes nothing for the caller.
  (void)platform::syncDirectory(folder->get());
  return {};
}

}  // namespace

VGXHookInstallState VGXHookInstaller::status() const {
  using Case = VGXHookInstallState::Case;
  if (!mayExist(toolFolderURL(tool_, configURL_))) return VGXHookInstallState::of(Case::notFound);
  auto bytes = FileSystem::readFile(configURL_);
  if (!bytes) {
    if (bytes.error().code == ENOENT) return VGXHookInstallState::of(Case::notInstalled);
    return VGXHookInstallState::error(bytes.error().message);
  }
  auto document = readHooksDocument(*bytes);
  if (!document) return VGXHookInstallState::error(document.error().errorDescription);

  const auto entries = ownEntries(tool_, *document);
  if (entries.empty()) return VGXHookInstallState::of(Case::notInstalled);
  std::set<std::string> found;
  bool allCurrent = true;
  for (const VGXOwnHookEntry& entry : entries) {
    found.insert(entry.event);
    allCurrent = allCurrent && entry.executablePath == cliPath_;
  }
  if (!allCurrent) return VGXHookInstallState::of(Case::needsUpdate);
  // A partial set with the current path is offered for installing again.
  return VGXHookInstallState::of(found.size() == hookEvents(tool_).size() ? Case::installed
                                                                          : Case::notInstalled);
}

VGXHookInstaller::Result VGXHookInstaller::transaction(const Edit& edit) const {
  auto target = FileSystem::linkTarget(configURL_);
  if (!target) return std::unexpected(VGXHookInstallError{target.error().message});

  auto first = readHooksBytes(*target);
  if (!first) return std::unexpected(first.error());
  const std::string firstDigest = digestOf(*first);
  Value document = Value::object();
  if (!first->empty()) {
    auto parsed = readHooksDocument(*first);
    if (!parsed) return std::unexpected(parsed.error());
    document = std::move(*parsed);
  }
  if (auto edited = edit(document); !edited) return edited;
  if (first->empty() && tool_ == VGXAgentTool::cursor) document["version"] = 1;
  auto text = renderJSON(document);
  if (!text) return std::unexpected(VGXHookInstallError{text.error().localizedDescription()});
  auto mode = modeToKeep(*target);
  if (!mode) return std::unexpected(mode.error());

  const Path temporary = target->string() + ".vigilix-tmp";
  if (auto written = FileSystem::writeFileAtomically(temporary, *text, *mode); !written) {
    return std::unexpected(VGXHookInstallError{written.error().message});
  }
  auto dropTemporary = [&](VGXHookInstallError error) {
    (void)FileSystem::remove(temporary);
    return std::unexpected(std::move(error));
  };
  auto second = readHooksBytes(*target);
  if (!second) return dropTemporary(second.error());
  if (digestOf(*second) != firstDigest) return dropTemporary(VGXHookInstallError::fileChanged());
  std::error_code made;
  std::filesystem::create_directories(target->parent_path(), made);
  if (made) return dropTemporary(failure(made.value(), target->parent_path(), "cannot create"));
  if (!second->empty()) {
    if (auto kept = writeBackup(configURL_, *second, *mode); !kept) {
      return dropTemporary(kept.error());
    }
  }
  return swapIn(temporary, *target);
}

VGXHookInstaller::Result VGXHookInstaller::withLock(const std::function<Result()>& body) const {
  const Path folder = configURL_.parent_path();
  std::error_code made;
  std::filesystem::create_directories(folder, made);
  if (made) return std::unexpected(failure(made.value(), folder, "cannot create"));
  auto file = platform::openAt(AT_FDCWD, configURL_.string() + ".vigilix-lock", O_RDWR | O_CREAT,
                               kNewFileMode);
  if (!file) return std::unexpected(VGXHookInstallError::lockFailed());
  // Retries EINTR itself; any other failure means we would edit unguarded.
  auto held = platform::FileLock::acquireExclusive(std::move(*file));
  if (!held) return std::unexpected(VGXHookInstallError::lockFailed());
  return body();
}

VGXHookInstaller::Result VGXHookInstaller::install() const {
  return withLock([this] { return transaction([this](Value& d) { return installInto(d); }); });
}

VGXHookInstaller::Result VGXHookInstaller::remove() const {
  if (!mayExist(configURL_)) return {};
  return withLock([this] {
    return transaction([this](Value& d) {
      removeFrom(d);
      return Result{};
    });
  });
}

}  // namespace vigilix
