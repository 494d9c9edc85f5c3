#pragma once

#include "platform/ui/control.h"

namespace vigilix::platform {

// Up and down arrows that step a number between bounds. A click on the
// upper half steps up, on the lower half down; with keyboard focus the
// arrow keys step. Every user step sends the action.
class Stepper : public Control {
 public:
  explicit Stepper(Rect frame = {});

  void setMinValue(double v);
  void setMaxValue(double v);
  void setIncrement(double v) { increment_ = v; }
  void setValueWraps(bool v) { valueWraps_ = v; }

  double doubleValue() const override { return value_; }
  void setDoubleValue(double value);
  std::int64_t integerValue() const override;
  void setIntegerValue(std::int64_t value) override { setDoubleValue(static_cast<double>(value)); }
  std::string stringValue() const override;
  void setStringValue(const std::string& value) override { setDoubleValue(leadingDouble(value)); }

  // A user's step; false when disabled.
  bool stepUp();
  bool stepDown();

  bool acceptsFirstResponder() const override { return isEnabled() && !refusesFirstResponder(); }
  void mouseDown(const Event& event) override;
  void keyDown(const Event& event) override;
  Size intrinsicContentSize() const override { return Size{15, 22}; }
  AccessibilityRole accessibilityRole() const override { return AccessibilityRole::Incrementor; }
  std::optional<std::string> accessibilityValue() const override { return stringValue(); }

 private:
  bool step(double delta);
  double minValue_ = 0;
  double maxValue_ = 59;
  double increment_ = 1;
  bool valueWraps_ = true;
  double value_ = 0;
};

}  // namespace vigilix::platform
