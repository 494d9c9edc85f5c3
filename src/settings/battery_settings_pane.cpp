#include "settings/battery_settings_pane.h"

#include <cmath>

#include "core/device.h"
#include "core/dzl_keys.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "settings/general_settings_pane.h"

namespace vigilix {

namespace {

std::string batteryStateText(DZLBatteryMonitor& monitor) {
  if (!monitor.hasBattery()) return "This computer has no battery.";
  double capacity = monitor.currentCapacity();
  std::string level =
      capacity < 0 ? "unknown" : std::to_string(static_cast<int>(std::lround(capacity))) + "%";
  return "Battery level: " + level + (monitor.state() == 1 ? ", on battery power" : "");
}

}  // namespace

DZLBatterySettingsViewController::DZLBatterySettingsViewController(DZLDevice& device,
                                                                   platform::UserDefaults& defaults)
    : device_(device),
      defaults_(defaults),
      state_(platform::TextField::labelWithString("")),
      enabled_(platform::CheckBox::withTitle("Stop Keeping Awake on Low Battery")) {
  enabled_->setAction([this](platform::Control&) {
    defaults_.set(kDZLBatteryCapacityThresholdEnabledKey, enabled_->isOn());
    batterySettingsDidChange();
  });
  view()->addArrangedSubview(state_);
  view()->addArrangedSubview(enabled_);
  viewWillAppear();
}

void DZLBatterySettingsViewController::viewWillAppear() {
  state_->setStringValue(batteryStateText(device_.batteryMonitor()));
  enabled_->setState(defaults_.boolValue(kDZLBatteryCapacityThresholdEnabledKey).value_or(false)
                         ? platform::ControlStateValue::On
                         : platform::ControlStateValue::Off);
  enabled_->setEnabled(!defaults_.objectIsForced(kDZLBatteryCapacityThresholdEnabledKey));
  DZLSettingsContentViewController::viewWillAppear();
}

void DZLBatterySettingsViewController::batterySettingsDidChange() {
  platform::NotificationCenter::defaultCenter().post(kVGXBatteryThresholdDidChangeNotification);
}

}  // namespace vigilix
