#include "platform/ui/check_box.h"

#include "platform/ui/window_rendering.h"

namespace vigilix::platform {

CheckBox::CheckBox(Rect frame) : Button(frame) {}

std::shared_ptr<CheckBox> CheckBox::withTitle(const std::string& title) {
  auto box = std::make_shared<CheckBox>();
  box->setTitle(title);
  return box;
}

void CheckBox::setState(ControlStateValue state) {
  if (state_ == state) return;
  state_ = state;
  setNeedsDisplay();
}

bool CheckBox::performClick() {
  if (!isEnabled() || isHiddenOrHasHiddenAncestor()) return false;
  setState(isOn() ? ControlStateValue::Off : ControlStateValue::On);
  sendAction();
  return true;
}

void CheckBox::mouseUp(const Event& event) {
  Point local = convertPointFromView(event.locationInWindow, nullptr);
  if (isEnabled() && bounds().contains(local)) performClick();
}

void CheckBox::keyDown(const Event& event) {
  if (event.keyCode == KeyCode::Space &&
      (event.modifierFlags & ModifierFlags::DeviceIndependentShortcutMask) == 0) {
    performClick();
    return;
  }
  Button::keyDown(event);
}

std::optional<std::string> CheckBox::accessibilityValue() const { return isOn() ? "1" : "0"; }

Size CheckBox::intrinsicContentSize() const {
  if (auto measured = WindowRendering::measuredSize(
          {.kind = RenderedView::Kind::CheckBox, .text = title(), .font = font()}))
    return *measured;
  Size text = font().sizeOfText(title());
  return Size{text.width + 24, 18};
}

}  // namespace vigilix::platform
