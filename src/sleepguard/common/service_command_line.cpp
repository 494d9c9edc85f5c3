#include "sleepguard/common/service_command_line.h"

#include "sleepguard/common/guard_names.h"

namespace vigilix::VGXGuardMain {

bool isValidIdentifier(std::string_view text) {
  return !text.empty() && text.size() <= 64 &&
         text.find_first_not_of(allowedIdentifierCharacters) == std::string_view::npos;
}

Command parseCommandLine(const std::vector<std::string>& arguments) {
  if (arguments.size() == 1) return {Command::Role::guard, {}, {}};
  if (arguments.size() != 4 || arguments[1] != VGXGuardNames::finishUninstallFlag ||
      !isValidIdentifier(arguments[2]) || !isValidIdentifier(arguments[3])) {
    return {};
  }
  return {Command::Role::finishUninstall, arguments[2], arguments[3]};
}

}  // namespace vigilix::VGXGuardMain
