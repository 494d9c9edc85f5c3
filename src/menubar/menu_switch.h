#pragma once

#include "platform/ui/color.h"
#include "platform/ui/control.h"

namespace vigilix {

// The header's on/off switch, drawn by hand. A press that ends inside it,
// or the accessibility press, flips it and sends its action; while disabled
// it ignores both.
class VGXMenuSwitch : public platform::Control {
 public:
  static constexpr double kWidth = 38;
  static constexpr double kHeight = 18;

  explicit VGXMenuSwitch(platform::Rect frame = {});

  // The system green of the track when on.
  static const platform::Color& onColor();

  bool isPressed() const { return isPressed_; }
  platform::ControlStateValue state() const { return state_; }
  // A change redraws and tells accessibility the value changed.
  void setState(platform::ControlStateValue state);
  void setEnabled(bool enabled) override;

  bool isAccessibilityEnabled() const override { return isEnabled(); }
  bool accessibilityPerformPress() override;
  platform::Size intrinsicContentSize() const override { return {kWidth, kHeight}; }
  bool isFlipped() const override { return true; }
  void mouseDown(const platform::Event& event) override;
  void mouseDragged(const platform::Event& event) override;
  void mouseUp(const platform::Event& event) override;
  void drawRect(platform::DrawingContext& context, const platform::Rect& dirtyRect) override;
  void viewDidChangeEffectiveAppearance() override { setNeedsDisplay(); }

 private:
  bool pointerInside(const platform::Event& event) const;
  void toggle();

  bool isPressed_ = false;
  platform::ControlStateValue state_ = platform::ControlStateValue::Off;
};

}  // namespace vigilix
