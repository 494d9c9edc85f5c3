#include "platform/system/software_updater.h"

#include "platform/base/localized.h"
#include "platform/base/logger.h"

namespace vigilix::platform {

namespace {

const Logger& log() {
  static const Logger logger("Updater");
  return logger;
}

}  // namespace

void PackageManagedUpdater::start(const std::string& feedURL) {
  log().info("Update feed {}; not checked: the package manager updates Vigilix", feedURL);
}

std::optional<std::string> PackageManagedUpdater::checkForUpdates() {
  log().info("Update check asked for; none runs: the package manager updates Vigilix");
  return localized("Vigilix is updated by your system\u2019s package manager.",
                   "Answer to Check for Updates on Linux");
}

}  // namespace vigilix::platform
