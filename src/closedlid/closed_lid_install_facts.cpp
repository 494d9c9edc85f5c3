#include "closedlid/closed_lid_install_facts.h"

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
  return VGXServiceFiles::hashRegularFile(VGXGuardNames::guardExecutablePath);
}

}  // namespace vigilix::VGXClosedLidInstallFacts
