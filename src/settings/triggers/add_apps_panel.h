#pragma once

#include <memory>

#include "platform/ui/open_panel.h"
#include "settings/triggers/triggers_settings_model.h"

namespace vigilix {

// The "Add…" panel of the app list: ".desktop" files, several at once,
// opened in the first XDG applications folder that exists. A confirmed
// choice is added to the model (held weakly) and saved; a cancel adds nothing.
std::shared_ptr<platform::OpenPanel> beginAddAppsPanel(
    const std::shared_ptr<VGXTriggersSettingsModel>& model);

}  // namespace vigilix
