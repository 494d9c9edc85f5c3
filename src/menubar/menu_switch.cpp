#include "menubar/menu_switch.h"

#include <cmath>

namespace vigilix {

using platform::Color;
using platform::ControlStateValue;
using platform::Rect;

VGXMenuSwitch::VGXMenuSwitch(Rect frame) : Control(frame) {
  setAccessibilityElement(true);
  setAccessibilityRole(platform::AccessibilityRole::Button);
  setAccessibilitySubrole(platform::AccessibilitySubrole::Switch);
}

const Color& VGXMenuSwitch::onColor() {
  static const Color color = Color::systemGreen();
  return color;
}

void VGXMenuSwitch::setState(ControlStateValue state) {
  if (state_ == state) return;
  state_ = state;
  setNeedsDisplay();
  platform::AccessibilityCenter::post(*this, platform::AccessibilityNotification::ValueChanged);
}

void VGXMenuSwitch::setEnabled(bool enabled) {
  Control::setEnabled(enabled);
  setNeedsDisplay();
}

bool VGXMenuSwitch::pointerInside(const platform::Event& event) const {
  return bounds().contains(convertPointFromView(event.locationInWindow, nullptr));
}

void VGXMenuSwitch::mouseDown(const platform::Event&) {
  if (!isEnabled()) return;
  isPressed_ = true;
  setNeedsDisplay();
}

void VGXMenuSwitch::mouseDragged(const platform::Event& event) {
  if (!isEnabled()) return;
  isPressed_ = pointerInside(event);
  setNeedsDisplay();
}

void VGXMenuSwitch::mouseUp(const platform::Event& event) {
  bool wasPressed = isPressed_;
  isPressed_ = false;
  setNeedsDisplay();
  if (isEnabled() && wasPressed && pointerInside(event)) toggle();
}

bool VGXMenuSwitch::accessibilityPerformPress() {
  if (isEnabled()) toggle();
  return isEnabled();
}

void VGXMenuSwitch::toggle() {
  // The state setter redraws and posts the value change, once per flip.
  setState(state_ == ControlStateValue::On ? ControlStateValue::Off : ControlStateValue::On);
  sendAction();
}

void VGXMenuSwitch::drawRect(platform::DrawingContext& context, const Rect&) {
  const Rect track((bounds().width() - kWidth) / 2, (bounds().height() - kHeight) / 2, kWidth,
                   kHeight);
  const bool on = state_ == ControlStateValue::On;
  const double a = isEnabled() ? 1.0 : 0.45;
  const double trackRadius = track.height() / 2;

  Color trackColor = on ? onColor() : Color::tertiaryLabel();
  context.fillRoundedRect(track, trackRadius, trackRadius,
                          trackColor.withAlphaComponent(trackColor.alphaComponent() * a));
  if (isPressed_) context.fillRoundedRect(track, trackRadius, trackRadius, Color::black(0.12));

  const double knobWidth = std::round(track.width() * 0.58);
  const double knobHeight = track.height() - 4;
  const double knobX = on ? track.maxX() - 2 - knobWidth : track.minX() + 2;
  const Rect knob(knobX, track.minY() + 2, knobWidth, knobHeight);

  context.saveGraphicsState();
  context.setShadow(platform::Shadow{Color::black(a * 0.25), 1.0, platform::Size{0, -0.5}});
  context.fillRoundedRect(knob, knobHeight / 2, knobHeight / 2,
                          Color::white(isEnabled() ? 1.0 : 0.7));
  context.restoreGraphicsState();
}

}  // namespace vigilix
