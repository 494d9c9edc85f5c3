#include "platform/ui/stepper.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace vigilix::platform {

Stepper::Stepper(Rect frame) : Control(frame) { refusesFirstResponder_ = true; }

void Stepper::setMinValue(double v) {
  minValue_ = v;
  setDoubleValue(value_);
}

void Stepper::setMaxValue(double v) {
  maxValue_ = v;
  setDoubleValue(value_);
}

void Stepper::setDoubleValue(double value) {
  if (!std::isfinite(value)) value = minValue_;
  double clamped = std::clamp(value, minValue_, std::max(minValue_, maxValue_));
  if (clamped == value_) return;
  value_ = clamped;
  setNeedsDisplay();
}

std::int64_t Stepper::integerValue() const { return static_cast<std::int64_t>(std::trunc(value_)); }

std::string Stepper::stringValue() const { return fmt::format("{}", value_); }

bool Stepper::step(double delta) {
  if (!isEnabled()) return false;
  double next = value_ + delta;
  if (next > maxValue_) next = valueWraps_ ? minValue_ : maxValue_;
  if (next < minValue_) next = valueWraps_ ? maxValue_ : minValue_;
  setDoubleValue(next);
  sendAction();
  return true;
}

bool Stepper::stepUp() { return step(increment_); }
bool Stepper::stepDown() { return step(-increment_); }

void Stepper::mouseDown(const Event& event) {
  Point local = convertPointFromView(event.locationInWindow, nullptr);
  if (!bounds().contains(local)) return;
  bool upper = isFlipped() ? local.y < frame().height() / 2 : local.y >= frame().height() / 2;
  if (upper) {
    stepUp();
  } else {
    stepDown();
  }
}

void Stepper::keyDown(const Event& event) {
  if (event.keyCode == KeyCode::UpArrow) {
    stepUp();
  } else if (event.keyCode == KeyCode::DownArrow) {
    stepDown();
  } else {
    Control::keyDown(event);
  }
}

}  // namespace vigilix::platform
