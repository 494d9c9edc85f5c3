#pragma once

#include <optional>
#include <string>

namespace vigilix::VGXClosedLidInstallFacts {

// What the machine's files say of closed-lid mode, each path under the
// file-system root.

// This installation ships the guard and the installer.
bool partsShipped();
// The application runs from its installed path, the one the guard's peer check expects.
bool runsFromInstalledPath();
// The guard's service unit is on the machine.
bool guardJobFilePresent();
// The SHA-256 of the installed guard, lower-case hex; none when it cannot be read.
std::optional<std::string> installedGuardHash();

}  // namespace vigilix::VGXClosedLidInstallFacts
