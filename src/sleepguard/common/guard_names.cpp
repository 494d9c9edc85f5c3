#include "sleepguard/common/guard_names.h"

#include <cstdlib>

#include "platform/base/product.h"

namespace vigilix {

std::string VGXGuardNames::socketPath(std::string_view service) {
  return std::string(socketDirectory) + "/" + std::string(service);
}

const std::string& VGXGuardNames::appPath() {
  static const std::string path = std::string(VIGILIX_INSTALL_PREFIX) + "/bin/vigilix-app";
  return path;
}

const std::string& VGXGuardNames::embeddedGuardPath() {
  static const std::string path =
      std::string(VIGILIX_INSTALL_PREFIX) + "/libexec/vigilix/vigilix-sleepguard";
  return path;
}

const std::string& VGXGuardNames::installerExecutablePath() {
  static const std::string path =
      std::string(VIGILIX_INSTALL_PREFIX) + "/libexec/vigilix/vigilix-installer";
  return path;
}

const std::string& VGXGuardNames::packagedUnitDirectory() {
  static const std::string path = std::string(VIGILIX_INSTALL_PREFIX) + "/lib/systemd/system";
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
