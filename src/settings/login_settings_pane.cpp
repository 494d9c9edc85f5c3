#include "settings/login_settings_pane.h"

#include "core/dzl_launch_at_login.h"
#include "platform/system/login_item.h"

namespace vigilix {

DZLGeneralSettingsViewController::DZLGeneralSettingsViewController(
    platform::LoginItem& loginItem, std::function<void()> openNotificationSettings)
    : loginItem_(loginItem),
      openNotificationSettings_(std::move(openNotificationSettings)),
      startAtLogin_(platform::CheckBox::withTitle("Start Vigilix at Login")),
      notificationSettings_(platform::Button::withTitle("Notification Settings…")) {
  startAtLogin_->setAction([this](platform::Control&) {
    DZLLaunchAtLogin::setDzl_launchAtLoginEnabled(loginItem_, startAtLogin_->isOn());
    // A refused change shows what the desktop really has.
    viewWillAppear();
  });
  notificationSettings_->setAction(
      [this](platform::Control&) { this->openNotificationSettings(); });
  view()->addArrangedSubview(startAtLogin_);
  view()->addArrangedSubview(notificationSettings_);
  viewWillAppear();
}

void DZLGeneralSettingsViewController::viewWillAppear() {
  DZLSettingsContentViewController::viewWillAppear();
  startAtLogin_->setState(DZLLaunchAtLogin::dzl_isLaunchAtLoginEnabled(loginItem_)
                              ? platform::ControlStateValue::On
                              : platform::ControlStateValue::Off);
}

void DZLGeneralSettingsViewController::openNotificationSettings() {
  if (openNotificationSettings_) openNotificationSettings_();
}

}  // namespace vigilix
