#include "core/dzl_app_updater.h"

#include "core/dzl_keys.h"
#include "platform/base/shared_instances.h"

namespace vigilix {

DZLAppUpdater& DZLAppUpdater::defaultAppUpdater() {
  static constinit platform::SharedInstance<DZLAppUpdater> instance{[] {
    return std::make_shared<DZLAppUpdater>(platform::UserDefaults::standard(),
                                           std::make_unique<platform::PackageManagedUpdater>());
  }};
  return instance.get();
}

DZLAppUpdater::DZLAppUpdater(platform::UserDefaults& defaults,
                             std::unique_ptr<platform::SoftwareUpdater> updater)
    : defaults_(defaults), updater_(std::move(updater)) {
  updater_->start(feedURLStringForUpdater());
}

std::optional<std::string> DZLAppUpdater::checkForUpdates() { return updater_->checkForUpdates(); }

std::string DZLAppUpdater::feedURLStringForUpdater() const {
  return DZLKeys::dzl_arePreReleaseUpdatesEnabled(defaults_) ? kDZLPreReleaseFeedURL
                                                             : kDZLReleaseFeedURL;
}

}  // namespace vigilix
