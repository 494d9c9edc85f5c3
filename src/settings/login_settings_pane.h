#pragma once

#include <functional>
#include <memory>

#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "settings/settings_content_view_controller.h"

namespace vigilix {

namespace platform {
class LoginItem;
}

// The small General pane: the start-at-login check box, which mirrors the
// login item the desktop has, and a button to the desktop's notification
// settings.
class DZLGeneralSettingsViewController final : public DZLSettingsContentViewController {
 public:
  DZLGeneralSettingsViewController(platform::LoginItem& loginItem,
                                   std::function<void()> openNotificationSettings);

  std::optional<platform::Image> tabViewItemImage() const override { return symbol("gearshape"); }
  std::optional<std::string> preferredTitle() const override { return "General"; }
  void viewWillAppear() override;

  const std::shared_ptr<platform::CheckBox>& startAtLoginCheckBoxButton() const {
    return startAtLogin_;
  }
  const std::shared_ptr<platform::Button>& notificationSettingsButton() const {
    return notificationSettings_;
  }
  void openNotificationSettings();

 private:
  platform::LoginItem& loginItem_;
  std::function<void()> openNotificationSettings_;
  std::shared_ptr<platform::CheckBox> startAtLogin_;
  std::shared_ptr<platform::Button> notificationSettings_;
};

}  // namespace vigilix
