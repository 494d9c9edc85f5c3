#pragma once

#include "platform/defaults/user_defaults.h"
#include "platform/system/login_item.h"

namespace vigilix {

// A former setting, only moved to the login item and then removed.
inline constexpr const char* kDZLLaunchAtLoginKey = "run.tarvo.vigilix.LaunchAtLogin";

// Launch at login through the program's login item. Main thread.
namespace DZLLaunchAtLogin {

// Whether the login item is enabled now, as the desktop sees it.
bool dzl_isLaunchAtLoginEnabled(const platform::LoginItem& item);
// Registers or unregisters the login item. A failure is only logged: the
// getter goes on answering what the desktop has.
void setDzl_launchAtLoginEnabled(platform::LoginItem& item, bool enabled);
// When the former setting holds a value: registers the login item if it
// was on, then removes the setting. The former separate login item never
// existed here, so there is nothing of it to switch off.
void dzl_migrateLaunchAtLoginToAppServiceIfNeeded(platform::LoginItem& item,
                                                  platform::UserDefaults& defaults);

}  // namespace DZLLaunchAtLogin
}  // namespace vigilix
