#pragma once

#include <functional>
#include <memory>

#include "direct/presence/presence_settings_model.h"
#include "platform/base/observer_token.h"
#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"

namespace vigilix {

// Says what the nudge does before it is first turned on: Cancel (Escape)
// leaves the switch off, Continue (Return) turns it on. `dismiss` is the
// presenter's way of ending the sheet. Main thread only.
class VGXPresenceExplanationSheet {
 public:
  static constexpr double kMinimumWidth = 420;

  VGXPresenceExplanationSheet(const std::shared_ptr<VGXPresenceSettingsModel>& model,
                              std::function<void()> dismiss);

  const std::shared_ptr<platform::Window>& window() const { return window_; }
  const std::shared_ptr<platform::Button>& cancelButton() const { return cancel_; }
  const std::shared_ptr<platform::Button>& continueButton() const { return continue_; }

 private:
  std::shared_ptr<platform::Button> cancel_;
  std::shared_ptr<platform::Button> continue_;
  std::shared_ptr<platform::Window> window_;
};

// The chat apps section of the triggers settings: the "Keep Chat Apps
// Active" switch, why the pointer cannot be moved when it cannot, and the
// footer. Refreshes each time it is put in a window and, while there, each
// time the feature changes; the explanation hangs on that window while the
// model asks for it. Main thread only.
class VGXPresenceSettingsSection : public platform::View {
 public:
  static std::shared_ptr<VGXPresenceSettingsSection> make(
      std::shared_ptr<VGXPresenceFeature> feature);

  const std::shared_ptr<VGXPresenceSettingsModel>& model() const { return model_; }
  const std::shared_ptr<platform::CheckBox>& toggle() const { return toggle_; }
  const std::shared_ptr<platform::TextField>& accessLine() const { return accessLine_; }
  const std::shared_ptr<platform::TextField>& footer() const { return footer_; }
  const std::shared_ptr<VGXPresenceExplanationSheet>& presentedSheet() const { return presented_; }

  bool isFlipped() const override { return true; }
  platform::Size intrinsicContentSize() const override { return body_->fittingSize(); }
  double heightForWidth(double width) const override { return body_->heightForWidth(width); }
  void layout() override;
  void viewDidMoveToWindow() override;

  explicit VGXPresenceSettingsSection(std::shared_ptr<VGXPresenceSettingsModel> model);

 private:
  void update();
  void presentOrDismissSheet();

  std::shared_ptr<VGXPresenceSettingsModel> model_;
  std::shared_ptr<platform::StackView> body_;
  std::shared_ptr<platform::CheckBox> toggle_;
  std::shared_ptr<platform::TextField> accessLine_;
  std::shared_ptr<platform::TextField> footer_;
  std::shared_ptr<VGXPresenceExplanationSheet> presented_;
  platform::ObserverHandle featureObserver_;
};

}  // namespace vigilix
