#pragma once

#include <functional>
#include <memory>

#include "agentsettings/agent_settings_model.h"
#include "platform/ui/button.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"

namespace vigilix {

// The sheet that shows a tool's hooks file and the exact entries installing writes: Cancel
// (Escape) only dismisses; Install or Update (Return) installs for the sheet's tool, then
// dismisses. `dismiss` is the presenter's way of ending the sheet. Main thread only.
class VGXAgentInstallSheet {
 public:
  static constexpr double kMinimumWidth = 420;
  static constexpr double kMinimumHeight = 280;

  VGXAgentInstallSheet(VGXAgentInstallSheetModel sheet,
                       const std::shared_ptr<VGXAgentSettingsModel>& model,
                       std::function<void()> dismiss);
  VGXAgentInstallSheet(const VGXAgentInstallSheet&) = delete;
  VGXAgentInstallSheet& operator=(const VGXAgentInstallSheet&) = delete;

  const VGXAgentInstallSheetModel& sheet() const { return sheet_; }
  const std::shared_ptr<platform::Window>& window() const { return window_; }
  const std::shared_ptr<platform::TextField>& titleLabel() const { return title_; }
  const std::shared_ptr<platform::TextField>& pathLabel() const { return path_; }
  const std::shared_ptr<platform::ScrollView>& scrollView() const { return scroll_; }
  const std::shared_ptr<platform::TextField>& plannedText() const { return planned_; }
  const std::shared_ptr<platform::Button>& cancelButton() const { return cancel_; }
  const std::shared_ptr<platform::Button>& confirmButton() const { return confirm_; }

 private:
  VGXAgentInstallSheetModel sheet_;
  std::shared_ptr<platform::Window> window_;
  std::shared_ptr<platform::TextField> title_;
  std::shared_ptr<platform::TextField> path_;
  std::shared_ptr<platform::ScrollView> scroll_;
  std::shared_ptr<platform::TextField> planned_;
  std::shared_ptr<platform::Button> cancel_;
  std::shared_ptr<platform::Button> confirm_;
};

}  // namespace vigilix
