#pragma once

#include "platform/ui/button.h"

namespace vigilix::platform {

// A check box: a click flips its state, then sends the action, so the
// action reads the new state.
class CheckBox : public Button {
 public:
  explicit CheckBox(Rect frame = {});
  static std::shared_ptr<CheckBox> withTitle(const std::string& title);

  ControlStateValue state() const { return state_; }
  void setState(ControlStateValue state);
  bool isOn() const { return state_ == ControlStateValue::On; }

  bool performClick();
  bool accessibilityPerformPress() override { return performClick(); }
  void mouseUp(const Event& event) override;
  void keyDown(const Event& event) override;
  std::optional<std::string> accessibilityValue() const override;
  Size intrinsicContentSize() const override;
  AccessibilityRole accessibilityRole() const override { return AccessibilityRole::CheckBox; }

 private:
  ControlStateValue state_ = ControlStateValue::Off;
};

}  // namespace vigilix::platform
