#pragma once

#include <memory>

#include "closedlid/closed_lid_settings.h"
#include "closedlid/closed_lid_settings_model.h"
#include "platform/base/observer_token.h"
#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/stepper.h"
#include "settings/settings_section.h"

namespace vigilix {

// The General pane's "Closed Lid" section over its model: the switch, the
// reason line with the way out it offers, the battery floor and time cap,
// the lid-open choice and the helper's removal. Shows nothing while closed-lid
// mode is hidden and only the removal while the mode can only be removed.
// Main thread only.
class VGXClosedLidSettingsSection : public platform::View {
 public:
  static std::shared_ptr<VGXClosedLidSettingsSection> make(
      VGXClosedLidController& controller, platform::UserDefaults& defaults,
      VGXClosedLidSettingsModel::Actions actions);

  VGXClosedLidSettingsModel& model() { return model_; }
  // Reads the model again and sets every control from it.
  void render();

  const std::shared_ptr<platform::CheckBox>& lidSwitch() const { return switch_; }
  const std::shared_ptr<platform::TextField>& reason() const { return reason_; }
  const std::shared_ptr<platform::Button>& askAgain() const { return askAgain_; }
  const std::shared_ptr<platform::Button>& tryAgain() const { return tryAgain_; }
  const std::shared_ptr<platform::Stepper>& floor() const { return floor_; }
  const std::shared_ptr<platform::TextField>& floorText() const { return floorText_; }
  const std::shared_ptr<platform::Stepper>& cap() const { return cap_; }
  const std::shared_ptr<platform::TextField>& capText() const { return capText_; }
  const std::shared_ptr<platform::CheckBox>& endSessionOnLidOpen() const { return endSession_; }
  const std::shared_ptr<platform::Button>& remove() const { return remove_; }
  const std::shared_ptr<platform::Button>& removeRetry() const { return removeRetry_; }

  bool isFlipped() const override { return true; }
  platform::Size intrinsicContentSize() const override;
  double heightForWidth(double width) const override {
    return section_.view()->heightForWidth(width);
  }
  void layout() override;
  void viewDidMoveToWindow() override { render(); }

  VGXClosedLidSettingsSection(VGXClosedLidController& controller, platform::UserDefaults& defaults,
                              VGXClosedLidSettingsModel::Actions actions);

 private:
  void build();

  VGXClosedLidSettingsModel model_;
  VGXSettingsSection section_;
  std::shared_ptr<platform::CheckBox> switch_;
  std::shared_ptr<platform::TextField> reason_;
  std::shared_ptr<platform::Button> askAgain_;
  std::shared_ptr<platform::Button> tryAgain_;
  std::shared_ptr<platform::View> floorRow_;
  std::shared_ptr<platform::Stepper> floor_;
  std::shared_ptr<platform::TextField> floorText_;
  std::shared_ptr<platform::TextField> floorManaged_;
  std::shared_ptr<platform::View> capRow_;
  std::shared_ptr<platform::Stepper> cap_;
  std::shared_ptr<platform::TextField> capText_;
  std::shared_ptr<platform::TextField> capManaged_;
  std::shared_ptr<platform::TextField> heatNote_;
  std::shared_ptr<platform::CheckBox> endSession_;
  std::shared_ptr<platform::Button> remove_;
  std::shared_ptr<platform::Button> removeRetry_;
  platform::ObserverHandle observer_;
};

}  // namespace vigilix
