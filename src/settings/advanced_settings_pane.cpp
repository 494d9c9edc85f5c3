#include "settings/advanced_settings_pane.h"

#include "core/dzl_keys.h"
#include "platform/defaults/user_defaults.h"
#include "settings/settings_footer.h"

namespace vigilix {

DZLAdvancedSettingsViewController::DZLAdvancedSettingsViewController(
    platform::UserDefaults& defaults)
    : defaults_(defaults), section_(std::nullopt), reset_(platform::Button::withTitle("Reset")) {
  configureAdvancedSettings();
  for (std::size_t i = 0; i < settings_.size(); ++i) {
    auto box = platform::CheckBox::withTitle(settings_[i].title());
    box->setAction([this, i](platform::Control& sender) {
      settings_[i].setValue(static_cast<platform::CheckBox&>(sender).isOn());
      reloadData();
    });
    rows_.push_back(box);
    section_.addRow(box);
  }
  reset_->setAccessibilityLabel("Reset Advanced Settings");
  reset_->setAction([this](platform::Control&) { resetAdvancedSettings(); });
  view()->addArrangedSubview(section_.view());
  view()->addArrangedSubview(reset_);
  reloadData();
}

void DZLAdvancedSettingsViewController::configureAdvancedSettings() {
  settings_.clear();
  settings_.emplace_back(defaults_, "Quit Vigilix When a Timed Session Ends",
                         kDZLQuitOnTimerExpirationEnabledKey);
  settings_.emplace_back(defaults_, "Allow the display to sleep", kDZLAllowDisplaySleepKey);
  settings_.emplace_back(defaults_, "Stop Keeping Awake When You Switch Users",
                         kDZLDeactivateOnUserSwitchEnabledKey);
}

void DZLAdvancedSettingsViewController::resetAdvancedSettings() {
  for (auto& setting : settings_) setting.reset();
  defaults_.synchronize();
  reloadData();
}

void DZLAdvancedSettingsViewController::reloadData() {
  std::vector<std::string> keys;
  for (std::size_t i = 0; i < settings_.size(); ++i) {
    rows_[i]->setState(settings_[i].value() ? platform::ControlStateValue::On
                                            : platform::ControlStateValue::Off);
    rows_[i]->setEnabled(!settings_[i].isForced());
    keys.push_back(settings_[i].key());
  }
  section_.setFooter(VGXSettingsFooter::compose(defaults_, keys, std::nullopt));
}

}  // namespace vigilix
