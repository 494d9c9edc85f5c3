#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/defaults/user_defaults.h"
#include "platform/system/software_updater.h"

namespace vigilix {

inline constexpr const char* kDZLReleaseFeedURL = "https://vigilix.tarvo.run/appcast.xml";
inline constexpr const char* kDZLPreReleaseFeedURL =
    "https://vigilix.tarvo.run/prerelease-appcast.xml";

// The application's updater: starts the platform's updater with the feed
// the user chose and hands checks to it. Main thread.
class DZLAppUpdater {
 public:
  // Over the standard defaults and the package-managed updater; made and
  // started on first use.
  static DZLAppUpdater& defaultAppUpdater();

  // Starts `updater` at once.
  DZLAppUpdater(platform::UserDefaults& defaults,
                std::unique_ptr<platform::SoftwareUpdater> updater);

  // What to tell the user when no check runs.
  std::optional<std::string> checkForUpdates();
  // The pre-release feed while pre-release updates are on, else the release feed.
  std::string feedURLStringForUpdater() const;

 private:
  platform::UserDefaults& defaults_;
  std::unique_ptr<platform::SoftwareUpdater> updater_;
};

}  // namespace vigilix
