#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "settings/about_settings_pane.h"
#include "settings/settings_window.h"

namespace vigilix {

// The command the General pane's tool row shows for the `vigilix` tool
// installed beside `program`, read against `pathVariable`; none when the
// tool is missing or already on PATH.
std::optional<std::string> commandLineToolCommand(const std::string& program,
                                                  const std::string& pathVariable);

// The application's settings window over the standard defaults, the shared
// durations, the login item and the desktop's clipboard.
std::shared_ptr<DZLSettingsWindow> makeApplicationSettingsWindow(std::function<void()> showHealth);

// The About window of the running program: its version and the credits
// installed with it.
std::unique_ptr<VGXAboutWindow> makeApplicationAboutWindow();

}  // namespace vigilix
