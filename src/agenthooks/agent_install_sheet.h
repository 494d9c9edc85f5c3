#pragma once

#include <functional>
#include <memory>

#include "agenthooks/agent_settings_model.h"
#include "platform/ui/button.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"

namespace vigilix {

// The sheet that shows a tool's hooks file and the exact entries installing writes, with
// Cancel (Escape), which only closes it, and Install or Update (Return), which installs for the
// sheet's tool and closes it. However it closes, the model's sheet goes. Main thread only.
class VGXAgentInstallSheet : public platform::WindowDelegate,
                             public std::enable_shared_from_this<VGXAgentInstallSheet> {
 public:
  static constexpr double kMinimumWidth = 420;
  static constexpr double kMinimumHeight = 280;

  static std::shared_ptr<VGXAgentInstallSheet> make(VGXAgentInstallSheetModel sheet,
                                                    std::shared_ptr<VGXAgentSettingsModel> model);

  const VGXAgentInstallSheetModel& sheet() const { return sheet_; }
  const std::shared_ptr<platform::Window>& window() const { return window_; }
  const std::shared_ptr<platform::TextField>& titleLabel() const { return title_; }
  const std::shared_ptr<platform::TextField>& pathLabel() const { return path_; }
  const std::shared_ptr<platform::TextField>& plannedText() const { return planned_; }
  const std::shared_ptr<platform::Button>& cancelButton() const { return cancel_; }
  const std::shared_ptr<platform::Button>& confirmButton() const { return confirm_; }

  // Closes the sheet without telling the model (the model already let it go).
  void close();
  void windowWillClose(platform::Window& window) override;

  VGXAgentInstallSheet(VGXAgentInstallSheetModel sheet,
                       std::shared_ptr<VGXAgentSettingsModel> model);

 private:
  void build();
  void dismiss();

  VGXAgentInstallSheetModel sheet_;
  std::weak_ptr<VGXAgentSettingsModel> model_;
  std::shared_ptr<platform::Window> window_;
  std::shared_ptr<platform::TextField> title_;
  std::shared_ptr<platform::TextField> path_;
  std::shared_ptr<platform::TextField> planned_;
  std::shared_ptr<platform::Button> cancel_;
  std::shared_ptr<platform::Button> confirm_;
};

}  // namespace vigilix
