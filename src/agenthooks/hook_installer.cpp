#include "agenthooks/hook_installer.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <span>

#include "agenthooks/hooks_file_format.h"
#include "platform/crypto/sha256.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"
#include "platform/fs/file_lock.h"
#include "platform/fs/file_system.h"
#include "platform/fs/stale_temporaries.h"
#include "platform/locale/calendar.h"
#include "platform/runloop/clock.h"

namespace vigilix {

using platform::FileSystem;
using platform::json::Value;
using Path = std::filesystem::path;

namespace {

constexpr mode_t kNewFileMode = 0644;
constexpr std::string_view kTemporarySuffix = ".vigilix-tmp";
// Far above any hooks file; a bigger one is not ours to rewrite.
constexpr std::size_t kMaximumHooksBytes = 16 * 1024 * 1024;

VGXHookInstallError failure(int code, const Path& path, std::string_view what) {
  return {fmt::format("{} {}: {}", what, path.string(), std::strerror(code))};
}

// False only when the path certainly names nothing; an unreadable folder counts as there, so
// that reading reports the real failure.
bool mayExist(const Path& path) {
  const auto facts = platform::factsOfPath(path);
  return facts || (facts.error() != ENOENT && facts.error() != ENOTDIR);
}

std::string digestOf(std::string_view bytes) {
  return platform::sha256HexString(platform::sha256(bytes));
}

// The hooks file's folder, open, so that every name in it is reached without following a link
// planted on the way.
struct HooksFolder {
  Path path;
  platform::UniqueFd fd;
  platform::FileFacts facts;
};

std::expected<HooksFolder, VGXHookInstallError> openFolder(const Path& path) {
  if (auto made = platform::FileSystem::createFolders(path); !made) {
    return std::unexpected(failure(made.error().code, path, "cannot create"));
  }
  auto opened = platform::openAt(AT_FDCWD, path.string(), O_RDONLY | O_DIRECTORY);
  if (!opened) return std::unexpected(failure(opened.error(), path, "cannot open"));
  auto facts = platform::factsOf(opened->get());
  if (!facts) return std::unexpected(failure(facts.error(), path, "cannot inspect"));
  return HooksFolder{path, std::move(*opened), *facts};
}

// Others who can write to the folder can plant links and files under our names. Such a folder
// is refused unless it is sticky (nobody replaces what is not theirs) and the file is ours.
VGXHookInstaller::Result checkFolder(const HooksFolder& folder, const std::string& fileName) {
  const uid_t user = ::geteuid();
  const auto mode = folder.facts.mode;
  const bool othersWrite =
      (mode & S_IWOTH) != 0 || ((mode & S_IWGRP) != 0 && folder.facts.ownerGID != ::getegid()) ||
      (user != 0 && folder.facts.ownerUID != user && folder.facts.ownerUID != 0);
  if (!othersWrite) return {};
  if ((mode & S_ISVTX) != 0) {
    const auto file = platform::factsAt(folder.fd.get(), fileName);
    if (file && file->isRegularFile && file->ownerUID == user) return {};
  }
  return std::unexpected(VGXHookInstallError::unsafeFolder(folder.path.string()));
}

// Only a missing file is empty: anything else unreadable must never be overwritten. A link
// found in the file's place was planted after its path was resolved: a change.
std::expected<std::string, VGXHookInstallError> readHooksBytes(const HooksFolder& folder,
                                                               const std::string& name) {
  auto opened = platform::openAt(folder.fd.get(), name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (!opened) {
    if (opened.error() == ENOENT) return std::string();
    if (opened.error() == ELOOP) return std::unexpected(VGXHookInstallError::fileChanged());
    return std::unexpected(failure(opened.error(), folder.path / name, "cannot read"));
  }
  auto bytes = platform::readAtMost(opened->get(), kMaximumHooksBytes);
  if (!bytes) {
    const int code = bytes.error().tooLarge ? EFBIG : bytes.error().code;
    return std::unexpected(failure(code, folder.path / name, "cannot read"));
  }
  return std::string(bytes->begin(), bytes->end());
}

// The mode and owner a replacement keeps: the original's, or for a new file 0644 and the
// folder's owner.
struct Keeping {
  mode_t mode = kNewFileMode;
  uid_t owner = 0;
  gid_t group = 0;
  bool exists = false;
};

std::expected<Keeping, VGXHookInstallError> keeping(const HooksFolder& folder,
                                                    const std::string& name) {
  const auto facts = platform::factsAt(folder.fd.get(), name);
  if (!facts) {
    if (facts.error() != ENOENT) {
      return std::unexpected(failure(facts.error(), folder.path / name, "cannot inspect"));
    }
    return Keeping{kNewFileMode, folder.facts.ownerUID, folder.facts.ownerGID, false};
  }
  if (!facts->isRegularFile) return std::unexpected(VGXHookInstallError::fileChanged());
  return Keeping{static_cast<mode_t>(facts->mode & 07777), facts->ownerUID, facts->ownerGID, true};
}

// Run as root for a user, what we create stays the user's.
std::expected<void, int> keepOwner(int fd, const Keeping& keep) {
  if (::geteuid() != 0) return {};
  return platform::changeOwner(fd, keep.owner, keep.group);
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
VGXHookInstaller::Result writeBackup(const Path& hooksFile, std::string_view bytes,
                                     const Keeping& keep) {
  const std::string base =
      hooksFile.string() + ".vigilix-backup-" + backupStamp(platform::Clock::current().now());
  for (int attempt = 1;; ++attempt) {
    const Path name = attempt == 1 ? Path(base) : Path(base + "-" + std::to_string(attempt));
    auto made = FileSystem::createFileAtomically(name, bytes, keep.mode & 0777);
    if (made) {
      if (::geteuid() == 0) {
        (void)platform::changeOwnerAt(AT_FDCWD, name.string(), keep.owner, keep.group);
      }
      return {};
    }
    if (made.error().code != EEXIST) {
      return std::unexpected(VGXHookInstallError{made.error().message});
    }
  }
}

// The one step that replaces the hooks file. Swapped rather than renamed over, so that a save
// landing in the last instant is not lost: what was displaced is checked, and put back unless
// it is what the transaction read.
VGXHookInstaller::Result swapIn(const HooksFolder& folder, const std::string& temporary,
                                const std::string& name, bool exists,
                                const std::string& firstDigest, const std::string& ourDigest) {
  const int dir = folder.fd.get();
  const auto drop = [&](VGXHookInstallError error) {
    (void)platform::unlinkAt(dir, temporary);
    return std::unexpected(std::move(error));
  };
  if (!exists) {
    const auto renamed = platform::renameNoReplaceAt(dir, temporary, name);
    if (renamed) return {};
    return drop(renamed.error() == EEXIST ? VGXHookInstallError::fileChanged()
                                          : VGXHookInstallError::writeFailed());
  }
  const auto swapped = platform::exchangeAt(dir, temporary, name);
  if (!swapped && swapped.error() == EINVAL) {
    // A file system that cannot swap: renamed over, checked just before.
    if (platform::renameAt(dir, temporary, name)) return {};
    return drop(VGXHookInstallError::writeFailed());
  }
  if (!swapped) {
    return drop(swapped.error() == ENOENT ? VGXHookInstallError::fileChanged()
                                          : VGXHookInstallError::writeFailed());
  }
  const auto displaced = readHooksBytes(folder, temporary);
  if (displaced && digestOf(*displaced) == firstDigest) {
    (void)platform::unlinkAt(dir, temporary);
    return {};
  }
  // A later save already replaced ours: it stays where it is.
  const auto current = readHooksBytes(folder, name);
  if (current && digestOf(*current) == ourDigest) (void)platform::exchangeAt(dir, temporary, name);
  return drop(VGXHookInstallError::fileChanged());
}

// Our own side files that a killed transaction leaves: the temporary file, and the temporaries
// of the atomic writes of backups.
bool isOurLeftover(std::string_view name, const std::string& fileName) {
  const std::string temporary = fileName + std::string(kTemporarySuffix);
  if (name == temporary) return true;
  const auto target = platform::atomicWriteTarget(name);
  return target && (target->starts_with(fileName + ".vigilix-backup-") || *target == temporary);
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
  bool missing = false;
  bool onlyLater = true;  // what an older install lacks
  for (const VGXHookEvent& event : hookEvents(tool_)) {
    if (found.contains(std::string(event.name))) continue;
    missing = true;
    onlyLater = onlyLater && event.addedLater;
  }
  if (!missing) return VGXHookInstallState::of(Case::installed);
  // Any other partial set with the current path is offered for installing again.
  return VGXHookInstallState::of(onlyLater ? Case::needsUpdate : Case::notInstalled);
}

VGXHookInstaller::Result VGXHookInstaller::transaction(const Edit& edit) const {
  auto target = FileSystem::linkTarget(configURL_);
  if (!target) return std::unexpected(VGXHookInstallError{target.error().message});
  auto folder = openFolder(target->parent_path());
  if (!folder) return std::unexpected(folder.error());
  const std::string name = target->filename().string();
  if (auto safe = checkFolder(*folder, name); !safe) return safe;
  const int dir = folder->fd.get();

  auto first = readHooksBytes(*folder, name);
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
  auto keep = keeping(*folder, name);
  if (!keep) return std::unexpected(keep.error());

  // Under the lock, what is left of an earlier transaction was left by one that was killed.
  platform::removeStaleTemporaries(
      dir, [&](std::string_view each) { return isOurLeftover(each, name); });
  const std::string temporary = name + std::string(kTemporarySuffix);
  auto dropTemporary = [&](VGXHookInstallError error) {
    (void)platform::unlinkAt(dir, temporary);
    return std::unexpected(std::move(error));
  };
  {
    auto created = platform::openAt(dir, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (!created)
      return std::unexpected(failure(created.error(), folder->path / temporary, "cannot create"));
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text->data()), text->size());
    std::expected<void, int> written = platform::writeAll(created->get(), bytes);
    if (written) written = platform::changeMode(created->get(), keep->mode);
    if (written) written = keepOwner(created->get(), *keep);
    if (written) written = platform::syncFile(created->get());
    if (!written) {
      return dropTemporary(failure(written.error(), folder->path / temporary, "cannot write"));
    }
  }
  // Agent tools save without our lock: every read from here on must find what the first found.
  const auto unchanged = [&]() -> Result {
    auto now = readHooksBytes(*folder, name);
    if (!now) return std::unexpected(now.error());
    if (digestOf(*now) != firstDigest) return std::unexpected(VGXHookInstallError::fileChanged());
    return {};
  };
  if (auto same = unchanged(); !same) return dropTemporary(same.error());
  if (!first->empty()) {
    if (auto kept = writeBackup(configURL_, *first, *keep); !kept) {
      return dropTemporary(kept.error());
    }
  }
  if (auto same = unchanged(); !same) return dropTemporary(same.error());
  if (auto swapped = swapIn(*folder, temporary, name, keep->exists, firstDigest, digestOf(*text));
      !swapped) {
    return swapped;
  }
  // The new file is in place; a folder that cannot be flushed changes nothing for the caller.
  (void)platform::syncDirectory(dir);
  // A save that came after the swap stays: ours is then not what the file holds.
  auto after = readHooksBytes(*folder, name);
  if (!after || digestOf(*after) != digestOf(*text)) {
    return std::unexpected(VGXHookInstallError::fileChanged());
  }
  return {};
}

VGXHookInstaller::Result VGXHookInstaller::withLock(const std::function<Result()>& body) const {
  auto folder = openFolder(configURL_.parent_path());
  if (!folder) return std::unexpected(folder.error());
  const std::string name = configURL_.filename().string();
  if (auto safe = checkFolder(*folder, name); !safe) return safe;
  const std::string lockName = name + ".vigilix-lock";
  // Never through a link, never a file that blocks its opener.
  auto file = platform::openAt(folder->fd.get(), lockName,
                               O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK, kNewFileMode);
  if (!file) return std::unexpected(VGXHookInstallError::lockFailed());
  const auto facts = platform::factsOf(file->get());
  if (!facts || !facts->isRegularFile) return std::unexpected(VGXHookInstallError::lockFailed());
  // Made by root for a user, the lock must stay usable by the user.
  if (::geteuid() == 0 && facts->ownerUID != folder->facts.ownerUID) {
    (void)platform::changeOwner(file->get(), folder->facts.ownerUID, folder->facts.ownerGID);
  }
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
