#include "settings/triggers/add_apps_panel.h"

#include <filesystem>
#include <system_error>

#include "platform/runloop/weakly.h"
#include "settings/triggers/desktop_app_files.h"

namespace vigilix {

std::shared_ptr<platform::OpenPanel> beginAddAppsPanel(
    const std::shared_ptr<VGXTriggersSettingsModel>& model) {
  auto panel = platform::OpenPanel::make();
  panel->setCanChooseFiles(true);
  panel->setCanChooseDirectories(false);
  panel->setAllowsMultipleSelection(true);
  for (const auto& folder : userApplicationFolders()) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) continue;
    panel->setDirectory(folder.string());
    break;
  }
  panel->begin(
      platform::weakly(model, [](VGXTriggersSettingsModel& owner, platform::ModalResponse response,
                                 std::vector<std::string> paths) {
        if (response == platform::ModalResponse::OK) owner.addApps(paths);
      }));
  return panel;
}

}  // namespace vigilix
