#pragma once

#include <memory>

#include "platform/ui/check_box.h"
#include "platform/ui/text_field.h"
#include "settings/settings_content_view_controller.h"

namespace vigilix {

class DZLDevice;

namespace platform {
class UserDefaults;
}

// The Battery pane: the machine's battery as the device sees it, and the
// low-battery stop, whose changes the keep-awake side hears through the
// threshold notification. Sizes itself to its contents.
class DZLBatterySettingsViewController final : public DZLSettingsContentViewController {
 public:
  DZLBatterySettingsViewController(DZLDevice& device, platform::UserDefaults& defaults);

  std::optional<platform::Image> tabViewItemImage() const override { return symbol("battery.100"); }
  std::optional<std::string> preferredTitle() const override { return "Battery"; }
  bool resizesView() const override { return true; }
  void viewWillAppear() override;

  DZLDevice& device() { return device_; }
  const std::shared_ptr<platform::CheckBox>& thresholdEnabled() const { return enabled_; }
  const std::shared_ptr<platform::TextField>& batteryState() const { return state_; }
  void batterySettingsDidChange();

 private:
  DZLDevice& device_;
  platform::UserDefaults& defaults_;
  std::shared_ptr<platform::TextField> state_;
  std::shared_ptr<platform::CheckBox> enabled_;
};

}  // namespace vigilix
