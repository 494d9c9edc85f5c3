#include "sleepguard/common/guard_names.h"

#include <cstdlib>

#include "platform/base/product.h"
#include "platform/fs/file_system.h"
#include "platform/fs/own_program.h"

namespace vigilix {

std::string VGXGuardNames::socketPath(std::string_view service) {
  return std::string(socketDirectory) + "/" + std::string(service);
}

std::string VGXGuardNames::installPrefixFor(const char* fromEnvironment,
                                            const std::optional<std::filesystem::path>& ownProgram,
                                            const std::filesystem::path& root,
                                            std::string_view configured) {
  if (fromEnvironment && fromEnvironment[0] == '/') {
    const auto normal = std::filesystem::path(fromEnvironment).lexically_normal();
    return (normal.has_filename() ? normal : normal.parent_path()).string();
  }
  if (ownProgram && ownProgram->is_absolute()) {
    // The system path of a program placed under the file-system root.
    std::filesystem::path program = ownProgram->lexically_normal();
    const auto inRoot = program.lexically_relative(root.lexically_normal());
    if (root != "/" && !inRoot.empty() && *inRoot.begin() != "..") program = "/" / inRoot;
    const std::filesystem::path folder = program.parent_path();
    if (folder.filename() == "bin") return folder.parent_path().string();
    if (folder.filename() == "vigilix" && folder.parent_path().filename() == "libexec") {
      return folder.parent_path().parent_path().string();
    }
  }
  return std::string(configured);
}

const std::string& VGXGuardNames::installPrefix() {
  static const std::string prefix = [] {
    const auto own = platform::ownProgramPath();
    return installPrefixFor(std::getenv(std::string(prefixVariable).c_str()),
                            own ? std::optional(*own) : std::nullopt, platform::FileSystem::root(),
                            VIGILIX_INSTALL_PREFIX);
  }();
  return prefix;
}

const std::string& VGXGuardNames::appPath() {
  static const std::string path = installPrefix() + "/bin/vigilix-app";
  return path;
}

const std::string& VGXGuardNames::embeddedGuardPath() {
  static const std::string path = installPrefix() + "/libexec/vigilix/vigilix-sleepguard";
  return path;
}

const std::string& VGXGuardNames::installerExecutablePath() {
  static const std::string path = installPrefix() + "/libexec/vigilix/vigilix-installer";
  return path;
}

const std::string& VGXGuardNames::packagedUnitDirectory() {
  static const std::string path = installPrefix() + "/lib/systemd/system";
  return path;
}

std::string VGXGuardRequirements::requirementForIdentifier(std::string_view identifier) {
  if (identifier.find_first_of("\"\\") != std::string_view::npos) std::abort();
  std::string text = "anchor apple generic and identifier \"";
  text += identifier;
  text += "\" and certificate leaf[subject.OU] = \"";
  text += VGXGuardNames::teamIdentifier;
  text += "\"";
  return text;
}

// Function-local statics are initialised once even when threads race to read first.
const std::string& VGXGuardRequirements::app() {
  static const std::string text = requirementForIdentifier(platform::kProductIdentifier);
  return text;
}

const std::string& VGXGuardRequirements::guard() {
  static const std::string text = requirementForIdentifier("run.tarvo.vigilix.sleepguard");
  return text;
}

const std::string& VGXGuardRequirements::installer() {
  static const std::string text = requirementForIdentifier("run.tarvo.vigilix.installer");
  return text;
}

}  // namespace vigilix
