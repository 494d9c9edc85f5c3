#include "sleepguard/common/service_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/crypto/sha256.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"
#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/guard_units.h"

namespace vigilix::VGXServiceFiles {
namespace {

constexpr int kDirectoryFlags = O_RDONLY | O_NOFOLLOW | O_DIRECTORY | O_CLOEXEC;
constexpr int kFileFlags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC;

std::unexpected<VGXInstallerError> failed(std::string text) {
  return std::unexpected(VGXInstallerError::failed(std::move(text)));
}

bool acceptableDirectory(const platform::FileFacts& facts) {
  return facts.isDirectory && facts.ownerUID == 0 && (facts.mode & 022) == 0;
}

std::expected<void, VGXInstallerError> syncDirectory(int fd) {
  if (!platform::syncDirectory(fd)) return failed("fsync directory");
  return {};
}

}  // namespace

std::expected<void, VGXInstallerError> checkDirectoryDescriptor(int fd) {
  auto facts = platform::factsOf(fd);
  if (!facts) return failed("fstat directory");
  if (!acceptableDirectory(*facts)) return failed("unsafePath");
  return {};
}

std::expected<platform::UniqueFd, VGXInstallerError> openVerifiedPath(std::string_view path) {
  if (!path.starts_with('/')) return failed("unsafePath");
  std::vector<std::string> parts;
  for (const auto& part : std::filesystem::path(path).relative_path()) {
    if (part.empty()) continue;
    if (part == "." || part == "..") return failed("unsafePath");
    parts.push_back(part.native());
  }
  auto current = platform::openAt(AT_FDCWD, platform::FileSystem::root().native(), kDirectoryFlags);
  if (!current) return failed("open root");
  if (auto checked = checkDirectoryDescriptor(current->get()); !checked) {
    return std::unexpected(checked.error());
  }
  for (const auto& part : parts) {
    auto next = platform::openAt(current->get(), part, kDirectoryFlags);
    if (!next) return failed("open " + part);
    *current = std::move(*next);
    if (auto checked = checkDirectoryDescriptor(current->get()); !checked) {
      return std::unexpected(checked.error());
    }
  }
  return std::move(*current);
}

std::expected<platform::UniqueFd, VGXInstallerError> openRegularFile(std::string_view path,
                                                                     std::size_t maxBytes) {
  auto fd = platform::openAt(AT_FDCWD, platform::FileSystem::pathFor(path).native(), kFileFlags);
  if (!fd) return failed("open " + std::string(path));
  auto facts = platform::factsOf(fd->get());
  if (!facts || !facts->isRegularFile || facts->size > maxBytes) {
    return failed("regular " + std::string(path));
  }
  return std::move(*fd);
}

std::expected<std::string, VGXInstallerError> hashFileDescriptor(int fd) {
  if (::lseek(fd, 0, SEEK_SET) < 0) return failed("hash read");
  platform::Sha256Stream digest;
  std::vector<char> chunk(kHashChunkBytes);
  for (;;) {
    const ssize_t count = ::read(fd, chunk.data(), chunk.size());
    if (count == 0) break;
    if (count < 0) {
      if (errno == EINTR) continue;
      return failed("hash read");
    }
    digest.update(std::string_view(chunk.data(), static_cast<std::size_t>(count)));
  }
  return platform::sha256HexString(digest.finish());
}

std::optional<std::string> hashRegularFile(std::string_view path) {
  auto fd = platform::openAt(AT_FDCWD, platform::FileSystem::pathFor(path).native(), kFileFlags);
  if (!fd) return std::nullopt;
  auto facts = platform::factsOf(fd->get());
  if (!facts || !facts->isRegularFile) return std::nullopt;
  auto hash = hashFileDescriptor(fd->get());
  if (!hash) return std::nullopt;
  return *hash;
}

std::expected<void, VGXInstallerError> removeRegularFile(int directoryFd, const std::string& name) {
  auto facts = platform::factsAt(directoryFd, name);
  if (!facts) {
    if (facts.error() == ENOENT) return {};
    return failed("lstat " + name);
  }
  if (!facts->isRegularFile) return failed("not file " + name);
  if (auto removed = platform::unlinkAt(directoryFd, name); !removed && removed.error() != ENOENT) {
    return failed("unlink " + name);
  }
  return {};
}

void removeMatching(int directoryFd, std::string_view prefix, std::string_view suffix) {
  auto listing = platform::openAt(directoryFd, ".", kDirectoryFlags);
  if (!listing) return;
  DIR* stream = ::fdopendir(listing->get());
  if (stream == nullptr) return;
  listing->release();
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(stream)) {
    const std::string_view name = entry->d_name;
    if (name.size() >= prefix.size() + suffix.size() && name.starts_with(prefix) &&
        name.ends_with(suffix)) {
      names.emplace_back(name);
    }
  }
  ::closedir(stream);
  for (const auto& name : names) (void)removeRegularFile(directoryFd, name);
}

std::expected<void, VGXInstallerError> removeGuardFiles(VGXGuardStore* store) {
  if (store != nullptr && store->read(VGXGuardFile::journal()).kind != VGXFileRead::Kind::absent) {
    return failed("journal present");
  }
  {
    auto units = openVerifiedPath(VGXGuardNames::unitDirectory);
    if (!units) return std::unexpected(units.error());
    for (const auto& unit : VGXGuardUnitNames()) {
      if (auto removed = removeRegularFile(units->get(), unit); !removed) return removed;
    }
    if (auto synced = syncDirectory(units->get()); !synced) return synced;
  }
  const std::filesystem::path stateDirectory(VGXGuardNames::stateDirectory);
  auto parent = openVerifiedPath(stateDirectory.parent_path().native());
  if (!parent) return std::unexpected(parent.error());
  const std::string name = stateDirectory.filename().native();
  auto state = platform::openAt(parent->get(), name, kDirectoryFlags);
  if (!state) {
    if (state.error() == ENOENT) return {};
    return failed("open state");
  }
  if (auto checked = checkDirectoryDescriptor(state->get()); !checked) return checked;
  if (platform::factsAt(state->get(), "journal.json")) return failed("journal present");
  const std::string guard = std::filesystem::path(VGXGuardNames::guardExecutablePath).filename();
  for (const auto& file : {guard, guard + ".prev", guard + ".staging", std::string("install.json"),
                           std::string("maintenance.json")}) {
    (void)removeRegularFile(state->get(), file);
  }
  removeMatching(state->get(), "safety-", ".json");
  for (const auto& lock : {"guard.lock", "maintenance.lock"}) {
    (void)removeRegularFile(state->get(), lock);
  }
  if (auto synced = syncDirectory(state->get()); !synced) return synced;
  state->reset();
  if (::unlinkat(parent->get(), name.c_str(), AT_REMOVEDIR) != 0 && errno != ENOENT) {
    return failed("rmdir state");
  }
  return syncDirectory(parent->get());
}

}  // namespace vigilix::VGXServiceFiles
