#include "closedlid/closed_lid_install_facts.h"

#include <mutex>

#include "platform/fs/file_system.h"
#include "platform/fs/file_version.h"
#include "platform/fs/own_program.h"
#include "sleepguard/common/guard_names.h"
#include "sleepguard/common/service_files.h"

namespace vigilix::VGXClosedLidInstallFacts {

namespace {

using platform::FileSystem;

// Through links, as the installer will read it; a file that cannot be looked at is not there.
bool exists(std::string_view systemPath) {
  return platform::versionOfPath(FileSystem::pathFor(systemPath)).has_value();
}

}  // namespace

bool partsShipped() {
  return exists(VGXGuardNames::embeddedGuardPath()) &&
         exists(VGXGuardNames::installerExecutablePath());
}

bool runsFromInstalledPath() {
  const auto own = platform::ownProgramPath();
  return own && own->lexically_normal() ==
                    FileSystem::pathFor(VGXGuardNames::appPath()).lexically_normal();
}

bool guardJobFilePresent() { return exists(VGXGuardNames::jobPlistPath); }

std::optional<std::string> installedGuardHash() {
  // The health lines ask on the main thread, and a large guard takes long to
  // hash: it is hashed again only when the file changed.
  static std::mutex lock;
  static std::optional<std::pair<platform::FileVersion, std::optional<std::string>>> known;
  const auto path = FileSystem::pathFor(VGXGuardNames::guardExecutablePath);
  const auto before = platform::versionOfPath(path);
  if (!before) return std::nullopt;
  std::lock_guard held(lock);
  if (known && known->first == *before) return known->second;
  auto hash = VGXServiceFiles::hashRegularFile(VGXGuardNames::guardExecutablePath);
  // A file that changed while it was read is read again next time.
  if (platform::versionOfPath(path) == before) known.emplace(*before, hash);
  return hash;
}

}  // namespace vigilix::VGXClosedLidInstallFacts
