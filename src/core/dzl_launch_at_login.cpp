#include "core/dzl_launch_at_login.h"

#include "platform/base/logger.h"

namespace vigilix::DZLLaunchAtLogin {

namespace {

const platform::Logger& log() {
  static const platform::Logger logger("LaunchAtLogin");
  return logger;
}

void registerLoginItem(platform::LoginItem& item) {
  if (auto done = item.registerItem(); !done) {
    log().error("Failed to register launch at login {}", done.error().message);
  }
}

}  // namespace

bool dzl_isLaunchAtLoginEnabled(const platform::LoginItem& item) {
  return item.status() == platform::LoginItemStatus::enabled;
}

void setDzl_launchAtLoginEnabled(platform::LoginItem& item, bool enabled) {
  if (enabled) {
    registerLoginItem(item);
  } else if (auto done = item.unregisterItem(); !done) {
    log().error("Failed to unregister launch at login {}", done.error().message);
  }
}

void dzl_migrateLaunchAtLoginToAppServiceIfNeeded(platform::LoginItem& item,
                                                  platform::UserDefaults& defaults) {
  if (!defaults.object(kDZLLaunchAtLoginKey)) return;
  if (defaults.boolValue(kDZLLaunchAtLoginKey).value_or(false)) registerLoginItem(item);
  defaults.remove(kDZLLaunchAtLoginKey);
}

}  // namespace vigilix::DZLLaunchAtLogin
