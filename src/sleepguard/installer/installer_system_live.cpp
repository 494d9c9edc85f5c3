#include "sleepguard/installer/installer_system_live.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/base/uuid.h"
#include "platform/fs/descriptor_calls.h"
#include "platform/fs/file_facts.h"
#include "platform/fs/file_system.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/guard_units.h"
#include "sleepguard/common/service_files.h"

namespace vigilix {

namespace {

namespace Files = VGXServiceFiles;
using platform::UniqueFd;

constexpr int kDirectoryFlags = O_RDONLY | O_NOFOLLOW | O_DIRECTORY;
constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW;

std::unexpected<VGXInstallerError> failed(std::string text) {
  return std::unexpected(VGXInstallerError::failed(std::move(text)));
}

VGXInstallerError fromStore(const VGXGuardError& error) {
  return VGXInstallerError::failed(error.kind == VGXGuardError::Kind::io ? error.text
                                                                         : error.description());
}

std::string guardName() {
  return std::filesystem::path(VGXGuardNames::guardExecutablePath).filename().native();
}
std::string stagingName() { return guardName() + ".staging"; }
std::string previousName() { return guardName() + ".prev"; }

VGXInstallerResult syncDirectory(int fd) {
  if (!platform::syncDirectory(fd)) return failed("fsync directory");
  return {};
}

// A regular file of root and group 0 with exactly these permission bits.
bool isRootFile(int directoryFd, const std::string& name, mode_t permissions) {
  struct stat info {};
  return ::fstatat(directoryFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
         S_ISREG(info.st_mode) && info.st_uid == 0 && info.st_gid == 0 &&
         (info.st_mode & 07777) == permissions;
}

// Copies at most `limit` bytes in 65536-byte pieces.
VGXInstallerResult copyFile(int from, int to, std::size_t limit) {
  std::vector<std::uint8_t> buffer(Files::kHashChunkBytes);
  std::size_t total = 0;
  for (;;) {
    const ssize_t count = ::read(from, buffer.data(), buffer.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return failed("copy read");
    if (count == 0) return {};
    total += static_cast<std::size_t>(count);
    if (total > limit) return failed("embedded too large");
    if (!platform::writeAll(to, {buffer.data(), static_cast<std::size_t>(count)})) {
      return failed("copy write");
    }
  }
}

// The staged copy must be the very file shipped: a regular file of root that
// nobody else may change, with the source's SHA-256. The stage names tell
// which test refused it.
VGXInstallerResult checkStaged(int directoryFd, int source) {
  auto staged = platform::openAt(directoryFd, stagingName(), O_RDONLY | O_NOFOLLOW);
  if (!staged) return failed("static code");
  const auto expected = Files::hashFileDescriptor(source);
  if (!expected) return failed("requirement");
  const auto facts = platform::factsOf(staged->get());
  if (!facts) return failed("signing information");
  if (!facts->isRegularFile || facts->ownerUID != 0 || (facts->mode & 0022) != 0) {
    return failed("signature");
  }
  const auto actual = Files::hashFileDescriptor(staged->get());
  if (!actual || *actual != *expected) return failed("signature");
  return {};
}

// Writes one unit under a fresh temporary name and renames it into place.
VGXInstallerResult writeUnit(int directoryFd, const std::string& unit) {
  const std::string text = VGXRenderUnit(unit);
  const std::string temporary = ".tmp-vigilix-" + platform::UUID::generate().uuidString();
  auto fd = platform::openAt(directoryFd, temporary, kCreateFlags, 0644);
  if (!fd) return failed("create unit");
  auto done = [&]() -> VGXInstallerResult {
    if (text.empty() ||
        !platform::writeAll(fd->get(),
                            {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()})) {
      return failed("write unit");
    }
    if (::fchown(fd->get(), 0, 0) != 0 || !platform::changeMode(fd->get(), 0644) ||
        !platform::syncFile(fd->get())) {
      return failed("unit mode");
    }
    if (!platform::renameAt(directoryFd, temporary, unit)) return failed("rename unit");
    return {};
  }();
  if (!done) (void)platform::unlinkAt(directoryFd, temporary);
  return done;
}

}  // namespace

std::expected<void, VGXGuardError> AbsentGuardStore::write(const VGXGuardFile&,
                                                           const platform::Bytes&) {
  return std::unexpected(VGXGuardError::io("no store"));
}
std::expected<void, VGXGuardError> AbsentGuardStore::remove(const VGXGuardFile&) {
  return std::unexpected(VGXGuardError::io("no store"));
}
std::expected<void, VGXGuardError> AbsentGuardStore::quarantine(const VGXGuardFile&) {
  return std::unexpected(VGXGuardError::io("no store"));
}

VGXInstallerSystemLive::Parts VGXInstallerSystemLive::liveParts() {
  return Parts{VGXGuardNames::embeddedGuardPath(), std::make_unique<VGXSystemctl>(),
               std::make_unique<VGXGuardAdminClient>(), std::make_unique<VGXProcessTable>()};
}

VGXInstallerSystemLive::VGXInstallerSystemLive(Parts parts) : parts_(std::move(parts)) {
  if (auto opened = VGXSecureDirectoryStore::create(VGXGuardNames::stateDirectory)) {
    store_ = std::move(*opened);
  }
}

VGXGuardStore& VGXInstallerSystemLive::store() {
  if (store_) return *store_;
  return absent_;
}

VGXInstallerResult VGXInstallerSystemLive::withMaintenanceLock(const std::function<void()>& body) {
  if (store_) {
    auto held = store_->withLock(VGXGuardLockName::maintenance, [&] { body(); });
    if (!held) return std::unexpected(fromStore(held.error()));
    return {};
  }
  // Before the first installation there is nothing to lock; anything else at
  // the path is a directory the store refused.
  const auto facts =
      platform::factsOfPath(platform::FileSystem::pathFor(VGXGuardNames::stateDirectory));
  if (!facts && facts.error() == ENOENT) {
    body();
    return {};
  }
  return failed("unsafePath");
}

VGXInstallerResult VGXInstallerSystemLive::prepareStateDirectory() {
  const std::filesystem::path state(VGXGuardNames::stateDirectory);
  auto parent = Files::openVerifiedPath(state.parent_path().native());
  if (!parent) return std::unexpected(parent.error());
  const std::string name = state.filename().native();
  if (::mkdirat(parent->get(), name.c_str(), 0755) != 0 && errno != EEXIST) {
    return failed("mkdir state");
  }
  auto directory = platform::openAt(parent->get(), name, kDirectoryFlags);
  if (!directory) return failed("open created state");
  (void)::fchown(directory->get(), 0, 0);
  (void)::fchmod(directory->get(), 0755);
  if (auto checked = Files::checkDirectoryDescriptor(directory->get()); !checked) return checked;
  if (auto synced = syncDirectory(parent->get()); !synced) return synced;
  auto opened = VGXSecureDirectoryStore::create(VGXGuardNames::stateDirectory);
  if (!opened) return std::unexpected(fromStore(opened.error()));
  store_ = std::move(*opened);
  return {};
}

std::expected<std::string, VGXInstallerError> VGXInstallerSystemLive::embeddedHash() {
  auto fd = Files::openRegularFile(parts_.embeddedPath, kMaxEmbeddedBytes);
  if (!fd) return std::unexpected(fd.error());
  return Files::hashFileDescriptor(fd->get());
}

std::optional<std::string> VGXInstallerSystemLive::installedHash() {
  return Files::hashRegularFile(VGXGuardNames::guardExecutablePath);
}

VGXInstallerResult VGXInstallerSystemLive::stageGuard() {
  auto directory = Files::openVerifiedPath(VGXGuardNames::stateDirectory);
  if (!directory) return std::unexpected(directory.error());
  (void)Files::removeRegularFile(directory->get(), stagingName());
  auto source = Files::openRegularFile(parts_.embeddedPath, kMaxEmbeddedBytes);
  if (!source) return std::unexpected(source.error());
  auto staged = platform::openAt(directory->get(), stagingName(), kCreateFlags, 0600);
  if (!staged) return failed("create staging");
  if (auto copied = copyFile(source->get(), staged->get(), kMaxEmbeddedBytes); !copied) {
    return copied;
  }
  if (!platform::syncFile(staged->get())) return failed("fsync staging");
  if (auto checked = checkStaged(directory->get(), source->get()); !checked) return checked;
  if (::fchown(staged->get(), 0, 0) != 0) return failed("chown staging");
  if (!platform::changeMode(staged->get(), 0755)) return failed("chmod staging");
  if (!platform::syncFile(staged->get())) return failed("fsync staging mode");
  return {};
}

VGXInstallerResult VGXInstallerSystemLive::swapInStaged() {
  auto directory = Files::openVerifiedPath(VGXGuardNames::stateDirectory);
  if (!directory) return std::unexpected(directory.error());
  const int fd = directory->get();
  if (platform::factsAt(fd, guardName())) {
    (void)Files::removeRegularFile(fd, previousName());
    if (!platform::renameAt(fd, guardName(), previousName())) return failed("rename previous");
  }
  if (!platform::renameAt(fd, stagingName(), guardName())) return failed("rename staged");
  if (auto synced = syncDirectory(fd); !synced) return synced;
  if (!isRootFile(fd, guardName(), 0755)) return failed("installed verify");
  return {};
}

VGXInstallerResult VGXInstallerSystemLive::restorePrevious() {
  auto directory = Files::openVerifiedPath(VGXGuardNames::stateDirectory);
  if (!directory) return std::unexpected(directory.error());
  const int fd = directory->get();
  const auto previous = platform::factsAt(fd, previousName());
  if (!previous && previous.error() == ENOENT) return failed(std::string(kNoPreviousGuard));
  // Only a regular file may become the guard again.
  if (!previous || !previous->isRegularFile) return failed("restore previous");
  (void)platform::renameAt(fd, guardName(), stagingName());
  if (!platform::renameAt(fd, previousName(), guardName())) return failed("restore previous");
  return syncDirectory(fd);
}

VGXInstallerResult VGXInstallerSystemLive::dropPrevious() {
  auto directory = Files::openVerifiedPath(VGXGuardNames::stateDirectory);
  if (!directory) return std::unexpected(directory.error());
  if (auto removed = Files::removeRegularFile(directory->get(), previousName()); !removed) {
    return removed;
  }
  return syncDirectory(directory->get());
}

VGXInstallerResult VGXInstallerSystemLive::writeJobPlist() {
  auto directory = Files::openVerifiedPath(VGXGuardNames::unitDirectory);
  if (!directory) return std::unexpected(directory.error());
  const auto units = VGXGuardUnitNames();
  for (const std::string& unit : units) {
    if (auto written = writeUnit(directory->get(), unit); !written) return written;
  }
  if (auto synced = syncDirectory(directory->get()); !synced) return synced;
  for (const std::string& unit : units) {
    if (!isRootFile(directory->get(), unit, 0644)) return failed("unit verify");
  }
  return {};
}

VGXInstallerResult VGXInstallerSystemLive::removeInstalledFiles() {
  if (auto removed = Files::removeGuardFiles(store_.get()); !removed) return removed;
  store_.reset();
  return {};
}

std::expected<bool, VGXInstallerError> VGXInstallerSystemLive::isGuardLoaded() {
  return parts_.systemctl->isGuardLoaded();
}

VGXInstallerResult VGXInstallerSystemLive::bootstrapGuard() {
  return parts_.systemctl->bootstrap();
}

VGXInstallerResult VGXInstallerSystemLive::bootoutGuard() { return parts_.systemctl->bootout(); }

bool VGXInstallerSystemLive::noGuardProcesses() {
  const auto& table = *parts_.processes;
  const std::string installed =
      platform::FileSystem::pathFor(VGXGuardNames::guardExecutablePath).native();
  // The app-missing finisher runs the installed guard itself.
  auto guards = table.pids(installed);
  std::erase(guards, static_cast<std::int32_t>(::getpid()));
  return table.canListProcesses() && guards.empty() && table.strayDisablerPIDs().empty();
}

VGXInstallerResult VGXInstallerSystemLive::beginDrain() { return parts_.admin->beginDrain(); }

void VGXInstallerSystemLive::endDrain() { parts_.admin->endDrain(); }

std::expected<std::string, VGXInstallerError> VGXInstallerSystemLive::handshakeHash() {
  return parts_.admin->handshakeHash();
}

bool VGXInstallerSystemLive::isHeldByAnotherUser(std::uint32_t uid) {
  return parts_.admin->isHeldByAnotherUser(uid);
}

bool VGXInstallerSystemLive::isAppPresent() {
  // A link in the program's place counts as absent: it could point anywhere.
  const auto facts = platform::factsOfPath(platform::FileSystem::pathFor(VGXGuardNames::appPath()));
  return facts && facts->isRegularFile;
}

std::string VGXInstallerSystemLive::newTransactionID() {
  return platform::UUID::generate().uuidString();
}

}  // namespace vigilix
