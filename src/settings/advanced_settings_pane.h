#pragma once

#include <memory>
#include <vector>

#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "settings/settings_content_view_controller.h"
#include "settings/settings_section.h"
#include "settings/user_defaults_setting.h"

namespace vigilix {

// The Advanced pane: one check box a Boolean setting, and a reset that
// returns them all to their registered defaults. A forced setting's box is
// disabled and the footer says why.
class DZLAdvancedSettingsViewController final : public DZLSettingsContentViewController {
 public:
  explicit DZLAdvancedSettingsViewController(platform::UserDefaults& defaults);

  std::optional<platform::Image> tabViewItemImage() const override { return symbol("gearshape.2"); }
  std::optional<std::string> preferredTitle() const override { return "Advanced"; }
  void viewWillAppear() override { reloadData(); }

  const std::vector<DZLUserDefaultsSetting>& settings() const { return settings_; }
  // The table's rows, one a setting, in order.
  const std::vector<std::shared_ptr<platform::CheckBox>>& rows() const { return rows_; }
  const std::shared_ptr<platform::Button>& resetButton() const { return reset_; }
  const std::shared_ptr<platform::TextField>& footer() const { return section_.footer(); }
  void resetAdvancedSettings();

 private:
  void configureAdvancedSettings();
  void reloadData();

  platform::UserDefaults& defaults_;
  VGXSettingsSection section_;
  std::vector<DZLUserDefaultsSetting> settings_;
  std::vector<std::shared_ptr<platform::CheckBox>> rows_;
  std::shared_ptr<platform::Button> reset_;
};

}  // namespace vigilix
