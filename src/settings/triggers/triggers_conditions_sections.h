#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"
#include "settings/settings_section.h"
#include "settings/triggers/threshold_editor.h"
#include "settings/triggers/triggers_pane_controls.h"

namespace vigilix {

// A check box for one rule switch: it shows the rule and writes it through
// the controls, which save.
std::shared_ptr<platform::CheckBox> makeRuleToggle(VGXTriggersPaneControls& controls,
                                                   const TriggersPaneToggle& toggle);

// One threshold of the Advanced group as shown.
struct TriggersThresholdControls {
  ThresholdRow row;
  std::shared_ptr<platform::CheckBox> toggle;
  std::shared_ptr<platform::StackView> above;
  std::shared_ptr<platform::StackView> editor;
};

// The lower sections of the Triggers pane: "Conditions" (calls, audio, the
// backup row, power adapter, external display, the Wi-Fi networks),
// "Schedule" and "Advanced". Every change is saved at once through the
// model. Main thread only.
class VGXTriggersConditionsSections {
 public:
  VGXTriggersConditionsSections(std::shared_ptr<VGXTriggersSettingsModel> model,
                                VGXTriggersPaneControls& controls);

  const std::shared_ptr<platform::StackView>& conditionsView() const { return conditions_.view(); }
  const std::shared_ptr<platform::StackView>& scheduleView() const { return schedule_.view(); }
  const std::shared_ptr<platform::StackView>& advancedView() const { return advanced_.view(); }
  void refresh();

  // The condition switches by title; the backup switch only in the direct build.
  std::shared_ptr<platform::CheckBox> toggleTitled(const std::string& title) const;
  const std::shared_ptr<platform::Button>& addNetworkButton() const { return addNetwork_; }
  const std::shared_ptr<platform::CheckBox>& scheduleToggle() const { return scheduleToggle_; }
  const std::vector<std::shared_ptr<platform::CheckBox>>& weekdayToggles() const {
    return weekdays_;
  }
  const std::shared_ptr<platform::Button>& advancedButton() const { return advancedButton_; }
  const std::vector<TriggersThresholdControls>& thresholds() const { return thresholds_; }

 private:
  void buildConditions();
  void buildSchedule();
  void buildAdvanced();
  void refreshNetworks();

  std::shared_ptr<VGXTriggersSettingsModel> model_;
  VGXTriggersPaneControls& controls_;
  VGXSettingsSection conditions_;
  VGXSettingsSection schedule_;
  VGXSettingsSection advanced_;
  std::map<std::string, std::shared_ptr<platform::CheckBox>> toggles_;
  std::shared_ptr<platform::StackView> networks_;
  std::vector<std::shared_ptr<platform::Button>> removeNetwork_;
  std::vector<std::shared_ptr<platform::Button>> retiredNetworks_;
  std::vector<std::string> shownNetworks_;
  std::shared_ptr<platform::Button> addNetwork_;
  std::shared_ptr<platform::TextField> wifiStatus_;
  std::shared_ptr<platform::CheckBox> scheduleToggle_;
  std::shared_ptr<platform::StackView> scheduleBody_;
  std::vector<WeekdayItem> weekdayItems_;
  std::vector<std::shared_ptr<platform::CheckBox>> weekdays_;
  std::shared_ptr<platform::DatePicker> start_;
  std::shared_ptr<platform::DatePicker> end_;
  std::shared_ptr<platform::TextField> message_;
  std::shared_ptr<platform::Button> advancedButton_;
  std::shared_ptr<platform::StackView> advancedBody_;
  std::vector<TriggersThresholdControls> thresholds_;
  std::shared_ptr<platform::TextField> sustain_;
};

}  // namespace vigilix
