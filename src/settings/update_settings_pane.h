#pragma once

#include <memory>

#include "platform/ui/button.h"
#include "platform/ui/text_field.h"
#include "settings/settings_content_view_controller.h"

namespace vigilix {

class DZLAppUpdater;

// The Updates pane: a check for updates through the application's updater,
// and the updater's answer when no check runs (the package manager updates
// programs here).
class DZLUpdateSettingsViewController final : public DZLSettingsContentViewController {
 public:
  explicit DZLUpdateSettingsViewController(DZLAppUpdater& appUpdater);

  std::optional<platform::Image> tabViewItemImage() const override { return symbol("network"); }
  std::optional<std::string> preferredTitle() const override { return "Updates"; }

  DZLAppUpdater& appUpdater() { return appUpdater_; }
  const std::shared_ptr<platform::Button>& checkButton() const { return check_; }
  const std::shared_ptr<platform::TextField>& answer() const { return answer_; }
  void checkForUpdates();

 private:
  DZLAppUpdater& appUpdater_;
  std::shared_ptr<platform::Button> check_;
  std::shared_ptr<platform::TextField> answer_;
};

}  // namespace vigilix
