#include <string>
#include <vector>

#include "app/app_launch.h"
#include "platform/x11/desktop_hot_keys.h"
#if VIGILIX_DIRECT_BUILD
#include "direct/container_migration.h"
#include "direct/direct_composition.h"
#endif

int main(int argc, char** argv) {
  vigilix::platform::installDesktopHotKeyService();
#if VIGILIX_DIRECT_BUILD
  vigilix::VGXContainerMigrationBridge::slot() = {
      .runAtLaunch = vigilix::runContainerMigrationAtLaunch,
      .startFresh = vigilix::startFreshContainerMigration,
  };
  vigilix::VGXDirectCompositionBridge::slot().install = vigilix::VGXDirectComposition::install;
#endif
  return vigilix::DZLApplicationMain(std::vector<std::string>(argv + 1, argv + argc));
}
