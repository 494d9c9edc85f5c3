#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vigilix {

// The direct build's migration of a former version's settings. A build
// without it leaves the slot empty: nothing is migrated and no alert shows.
struct VGXContainerMigrationBridge {
  // Migrates once (nothing when already done); the failure message, or none.
  std::function<std::optional<std::string>()> runAtLaunch;
  // Records that the user gave the migration up, so it is not tried again.
  std::function<void()> startFresh;

  // The process's slot, read when the application starts.
  static VGXContainerMigrationBridge& slot();
};

// The direct build's composition, installed once after the migration and
// before the application controller exists. Empty in a build without it.
struct VGXDirectCompositionBridge {
  std::function<void()> install;

  static VGXDirectCompositionBridge& slot();
};

// Unless `sandboxed`, runs the migration; while it fails, shows an
// application-modal alert with the failure: "Try Again" runs it again,
// "Start Fresh" gives it up. Calls `proceed` once, when the migration
// succeeded or was given up: at once when nothing failed, otherwise from
// the alert's completion on a later turn of the main loop (no nested loop).
// Main thread only.
void runSettingsMigrationAtLaunch(const VGXContainerMigrationBridge& bridge, bool sandboxed,
                                  std::function<void()> proceed);

// The program: when another instance owns the application's bus name, hands
// it the addresses given (or asks it to come forward) and answers 0, or 1
// when that fails; otherwise becomes the application, handles the addresses
// itself and runs the main loop until SIGTERM, SIGINT or a quit, answering 0.
// Without a session bus it runs alone and says so in the log. Call from the
// process's first thread before any other thread starts.
int DZLApplicationMain(const std::vector<std::string>& arguments);

}  // namespace vigilix
