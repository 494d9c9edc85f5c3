#include "platform/ui/button.h"

#include "platform/ui/window_rendering.h"

namespace vigilix::platform {

Button::Button(Rect frame) : Control(frame) {}

std::shared_ptr<Button> Button::withTitle(const std::string& title) {
  auto button = std::make_shared<Button>();
  button->setTitle(title);
  return button;
}

void Button::setTitle(const std::string& title) {
  if (title_ == title) return;
  title_ = title;
  setNeedsDisplay();
}

bool Button::performClick() {
  if (!isEnabled() || isHiddenOrHasHiddenAncestor()) return false;
  return sendAction();
}

bool Button::performKeyEquivalent(const Event& event) {
  if (keyEquivalent_.empty() || !isEnabled() || isHiddenOrHasHiddenAncestor()) return false;
  std::uint64_t modifiers = event.modifierFlags & ModifierFlags::DeviceIndependentShortcutMask;
  if (event.characters != keyEquivalent_ || modifiers != 0) return false;
  performClick();
  return true;
}

void Button::mouseDown(const Event&) { pressed_ = isEnabled(); }

void Button::mouseUp(const Event& event) {
  bool wasPressed = pressed_;
  pressed_ = false;
  Point local = convertPointFromView(event.locationInWindow, nullptr);
  if (wasPressed && bounds().contains(local)) performClick();
}

void Button::keyDown(const Event& event) {
  // With keyboard focus, Space presses the button.
  if (event.keyCode == KeyCode::Space &&
      (event.modifierFlags & ModifierFlags::DeviceIndependentShortcutMask) == 0) {
    performClick();
    return;
  }
  Control::keyDown(event);
}

std::optional<std::string> Button::accessibilityLabel() const {
  if (auto label = View::accessibilityLabel()) return label;
  return title_;
}

Size Button::intrinsicContentSize() const {
  if (auto measured = WindowRendering::measuredSize({.kind = RenderedView::Kind::Button,
                                                     .text = title_,
                                                     .font = font(),
                                                     .bordered = bordered_}))
    return *measured;
  Size text = font().sizeOfText(title_);
  if (!bordered_) return Size{text.width, text.height};
  return Size{text.width + 28, 21};
}

}  // namespace vigilix::platform
