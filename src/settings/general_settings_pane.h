#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/stepper.h"
#include "settings/settings_section.h"

namespace vigilix {

namespace platform {
class UserDefaults;
class LoginItem;
}  // namespace platform

inline constexpr const char* kVGXStopWhenHotKey = "VGXStopWhenHot";
inline constexpr const char* kVGXBatteryThresholdDidChangeNotification =
    "DZLBatteryCapacityThresholdDidChangeNotification";

// One Boolean the General pane edits: its key, the pane's value when the
// key is absent, and the check box's title.
struct VGXGeneralToggle {
  const char* key;
  bool fallback;
  const char* title;
};
const std::vector<VGXGeneralToggle>& generalPaneToggles();

// The General pane: sections of check boxes that write the standard
// defaults at once, each disabled when a profile forces its key, with the
// managed line in the section's footer. Main thread only.
class VGXGeneralSettingsPane {
 public:
  struct Actions {
    std::function<void()> showHealth;
    std::function<void()> showWelcome;
    std::function<void(const std::string&)> copyText;
  };
  // `commandLineCommand`: the tool row's command, none without the row.
  VGXGeneralSettingsPane(platform::UserDefaults& defaults, platform::LoginItem& loginItem,
                         std::optional<std::string> commandLineCommand, Actions actions);

  const std::shared_ptr<platform::ScrollView>& view() const { return scroll_; }
  // Reads every control's value, enabled state and footer again.
  void refresh();

  std::shared_ptr<platform::CheckBox> toggleFor(const std::string& key) const;
  const std::shared_ptr<platform::CheckBox>& openAtLogin() const { return openAtLogin_; }
  const std::shared_ptr<platform::Stepper>& batteryLevel() const { return batteryLevel_; }
  const std::shared_ptr<platform::Button>& copyButton() const { return copyButton_; }
  const std::shared_ptr<platform::Button>& healthButton() const { return healthButton_; }
  const std::shared_ptr<platform::Button>& welcomeButton() const { return welcomeButton_; }
  // The closed-lid section from its slot; none while the slot is empty.
  const std::shared_ptr<platform::View>& closedLidSection() const { return closedLidSection_; }
  // The footer under the control of `key` (the section it sits in).
  std::optional<std::string> footerFor(const std::string& key) const;

  // The "Stop At" choices: the fixed levels and the stored one, ascending.
  static std::vector<int> batteryThresholdOptions(double stored);

 private:
  struct Section {
    std::unique_ptr<VGXSettingsSection> section;
    std::vector<std::string> keys;
    std::optional<std::string> base;
    bool managedLineSeparate = false;  // the managed line, then base always
  };
  Section& addSection(const std::optional<std::string>& header, std::vector<std::string> keys,
                      std::optional<std::string> base, bool managedLineSeparate = false);
  std::shared_ptr<platform::CheckBox> addToggle(Section& section, const VGXGeneralToggle& toggle);
  void batteryChanged();
  void setBatteryLevelText();
  std::optional<std::string> footerText(const Section& section) const;

  platform::UserDefaults& defaults_;
  platform::LoginItem& loginItem_;
  Actions actions_;
  std::shared_ptr<platform::ScrollView> scroll_;
  std::shared_ptr<platform::StackView> form_;
  std::vector<Section> sections_;
  std::map<std::string, std::shared_ptr<platform::CheckBox>> toggles_;
  std::shared_ptr<platform::CheckBox> openAtLogin_;
  std::shared_ptr<platform::Stepper> batteryLevel_;
  std::shared_ptr<platform::TextField> batteryLevelText_;
  std::shared_ptr<platform::View> batteryRow_;
  std::shared_ptr<platform::Button> copyButton_;
  std::shared_ptr<platform::Button> healthButton_;
  std::shared_ptr<platform::Button> welcomeButton_;
  std::shared_ptr<platform::View> closedLidSection_;
};

}  // namespace vigilix
