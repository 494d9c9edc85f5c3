#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vigilix {

// The fixed names every piece of the guard services takes its names from.
// System paths are mapped under the file-system root by whoever opens them.
namespace VGXGuardNames {

inline constexpr std::string_view guardLabel = "run.tarvo.vigilix.sleepguard";
inline constexpr std::string_view guardMachService = "run.tarvo.vigilix.sleepguard";
inline constexpr std::string_view adminMachService = "run.tarvo.vigilix.sleepguard.admin";
inline constexpr std::string_view installerMachService = "run.tarvo.vigilix.installer";
inline constexpr std::string_view stateDirectory = "/var/lib/vigilix";
inline constexpr std::string_view guardExecutablePath = "/var/lib/vigilix/vigilix-sleepguard";
// The guard's service unit, written by the installer.
inline constexpr std::string_view jobPlistPath =
    "/etc/systemd/system/run.tarvo.vigilix.sleepguard.service";
inline constexpr std::string_view finishUninstallFlag = "--finish-uninstall";
inline constexpr std::string_view teamIdentifier = "K9WQ2T7LMB";

// Units of the service manager and the folder the guard's units go to.
inline constexpr std::string_view unitDirectory = "/etc/systemd/system";
inline constexpr std::string_view guardServiceUnit = "run.tarvo.vigilix.sleepguard.service";
inline constexpr std::string_view guardSocketUnit = "run.tarvo.vigilix.sleepguard.socket";
inline constexpr std::string_view adminSocketUnit = "run.tarvo.vigilix.sleepguard-admin.socket";
inline constexpr std::string_view installerServiceUnit = "run.tarvo.vigilix.installer.service";
inline constexpr std::string_view installerSocketUnit = "run.tarvo.vigilix.installer.socket";

// Where the named services listen, and the names systemd hands their sockets over by.
inline constexpr std::string_view socketDirectory = "/run/vigilix";
inline constexpr std::string_view guardSocketName = "guard";
inline constexpr std::string_view adminSocketName = "admin";
inline constexpr std::string_view installerSocketName = "installer";
// "/run/vigilix/" followed by the service name.
std::string socketPath(std::string_view service);

// The environment variable the root services' units set to the install
// prefix: the guard runs from the state directory, so its own place says
// nothing about where the application is.
inline constexpr std::string_view prefixVariable = "VIGILIX_INSTALL_PREFIX";

// Where the programs are installed: `fromEnvironment` when it is an absolute
// path; else the prefix the running program sits in, as
// "<prefix>/bin/<program>" or "<prefix>/libexec/vigilix/<program>" (a
// system path: `root` taken off); else `configured`. `cmake --install
// --prefix` may put the programs somewhere else than the build was
// configured for.
std::string installPrefixFor(const char* fromEnvironment,
                             const std::optional<std::filesystem::path>& ownProgram,
                             const std::filesystem::path& root, std::string_view configured);
// The rule above for this process, decided once.
const std::string& installPrefix();

// Programs of the install prefix.
// "<prefix>/bin/vigilix-app": its disappearance starts the app-missing uninstall.
const std::string& appPath();
// "<prefix>/libexec/vigilix/vigilix-sleepguard": the guard the installer stages.
const std::string& embeddedGuardPath();
// "<prefix>/libexec/vigilix/vigilix-installer".
const std::string& installerExecutablePath();
// "<prefix>/lib/systemd/system": where the installer's own units are installed.
const std::string& packagedUnitDirectory();

}  // namespace VGXGuardNames

// The requirement each side holds for its peer. The texts are kept as they
// were written for code signing; on this system a requirement is met by the
// peer's executable and user (see peer_check.h).
namespace VGXGuardRequirements {

// `anchor apple generic and identifier "<id>" and certificate leaf[subject.OU] = "<team>"`.
// An identifier holding a double quote or a backslash stops the process.
std::string requirementForIdentifier(std::string_view identifier);
const std::string& app();
const std::string& guard();
const std::string& installer();

}  // namespace VGXGuardRequirements

}  // namespace vigilix
