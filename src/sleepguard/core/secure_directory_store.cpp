#include "sleepguard/core/secure_directory_store.h"

#include <fcntl.h>

#include <optional>

#include "platform/base/uuid.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"
#include "platform/fs/file_system.h"
#include "platform/fs/no_follow_walk.h"
#include "platform/fs/stale_temporaries.h"
#include "sleepguard/core/directory_check.h"
#include "sleepguard/core/secure_directory_checks.h"

namespace vigilix {

using secure_store_detail::ioError;

namespace {

std::optional<std::vector<std::string>> validatedComponents(std::string_view path) {
  if (!path.starts_with('/') || path.find('\0') != std::string_view::npos) return std::nullopt;
  std::vector<std::string> components;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t slash = std::min(path.find('/', start), path.size());
    if (slash > start) components.emplace_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  if (components.size() < 2) return std::nullopt;
  for (const auto& component : components) {
    if (component == "." || component == "..") return std::nullopt;
  }
  return components;
}

}  // namespace

bool isTemporaryRecordName(std::string_view name) {
  constexpr std::string_view prefix = ".tmp-";
  return name.starts_with(prefix) && platform::UUID::fromString(name.substr(prefix.size()));
}

std::expected<std::unique_ptr<VGXSecureDirectoryStore>, VGXGuardError>
VGXSecureDirectoryStore::create(std::string_view path, std::uint32_t expectedOwnerUID) {
  auto components = validatedComponents(path);
  if (!components) return std::unexpected(ioError("unsafePath"));
  std::unique_ptr<VGXSecureDirectoryStore> store(new VGXSecureDirectoryStore(
      platform::FileSystem::root(), std::move(*components), expectedOwnerUID));
  auto opened = store->openVerifiedDirectory();
  if (!opened) return std::unexpected(opened.error());
  // Every write holds the directory's lock shared while its temporary file exists: what is
  // found under the exclusive lock was left by a write that was killed.
  auto held = platform::FileLock::acquireExclusive(std::move(*opened));
  if (!held) return std::unexpected(ioError("flock", held.error()));
  platform::removeStaleTemporaries(held->descriptor(), isTemporaryRecordName);
  return store;
}

VGXSecureDirectoryStore::VGXSecureDirectoryStore(std::filesystem::path root,
                                                 std::vector<std::string> components,
                                                 std::uint32_t expectedOwnerUID)
    : root_(std::move(root)),
      components_(std::move(components)),
      expectedOwnerUID_(expectedOwnerUID) {}

std::expected<void, VGXGuardError> VGXSecureDirectoryStore::checkDirectory(int fd) const {
  auto facts = platform::factsOf(fd);
  if (!facts) return std::unexpected(ioError("fstat directory", facts.error()));
  auto acl = secure_store_detail::hasWritableACL(fd, facts->ownerUID);
  if (!acl) return std::unexpected(acl.error());
  const VGXPathComponentInfo info{facts->isDirectory, facts->isSymlink, facts->ownerUID,
                                  facts->mode, *acl};
  if (!VGXDirectoryCheck::passes(info, expectedOwnerUID_)) {
    return std::unexpected(ioError("unsafePath"));
  }
  return {};
}

std::expected<platform::UniqueFd, VGXGuardError> VGXSecureDirectoryStore::openVerifiedDirectory()
    const {
  std::optional<VGXGuardError> refusal;
  auto opened = platform::openDirectoryNoFollow(root_, components_, [&](int fd) {
    auto checked = checkDirectory(fd);
    if (!checked) refusal = checked.error();
    return checked.has_value();
  });
  if (opened) return std::move(*opened);
  const int code = opened.error().code;
  switch (opened.error().step) {
    case platform::WalkStep::statRoot:
      return std::unexpected(ioError("lstat root", code));
    case platform::WalkStep::openRoot:
      return std::unexpected(ioError("open root", code));
    case platform::WalkStep::component:
      return std::unexpected(ioError("unsafePath", code));
    case platform::WalkStep::openDirectory:
      return std::unexpected(ioError("open directory", code));
    case platform::WalkStep::refused:
      break;
  }
  return std::unexpected(refusal.value_or(ioError("unsafePath")));
}

std::expected<platform::FileLock, VGXGuardError> VGXSecureDirectoryStore::lock(
    VGXGuardLockName name) const {
  platform::UniqueFd file;
  {
    auto directory = openVerifiedDirectory();
    if (!directory) return std::unexpected(directory.error());
    auto opened = platform::openAt(directory->get(), std::string(rawValue(name)),
                                   O_RDWR | O_CREAT | O_NOFOLLOW, 0600);
    if (!opened) return std::unexpected(ioError("lock", opened.error()));
    file = std::move(*opened);
  }
  auto held = platform::FileLock::acquireExclusive(std::move(file));
  if (!held) return std::unexpected(ioError("flock", held.error()));
  return std::move(*held);
}

}  // namespace vigilix
