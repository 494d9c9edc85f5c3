#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/control.h"

namespace vigilix::platform {

// Key equivalents as the characters they stand for.
namespace KeyEquivalent {
inline constexpr const char* Return = "\r";
inline constexpr const char* Escape = "\x1b";
}  // namespace KeyEquivalent

// A push button. A click, its key equivalent, or the Return key when it is
// its window's default button sends its action, but only while enabled.
class Button : public Control {
 public:
  explicit Button(Rect frame = {});
  static std::shared_ptr<Button> withTitle(const std::string& title);

  const std::string& title() const { return title_; }
  void setTitle(const std::string& title);
  // The key that clicks the button, pressed without modifiers.
  void setKeyEquivalent(const std::string& key) { keyEquivalent_ = key; }
  // A borderless button is as large as its title.
  void setBordered(bool bordered) { bordered_ = bordered; }
  bool isBordered() const { return bordered_; }

  // A click: sends the action when enabled and visible; returns whether it did.
  bool performClick();

  bool performKeyEquivalent(const Event& event) override;
  bool acceptsFirstResponder() const override { return isEnabled() && !refusesFirstResponder(); }
  void mouseDown(const Event& event) override;
  void mouseUp(const Event& event) override;
  void keyDown(const Event& event) override;
  bool accessibilityPerformPress() override { return performClick(); }
  std::optional<std::string> accessibilityLabel() const override;
  Size intrinsicContentSize() const override;
  AccessibilityRole accessibilityRole() const override { return AccessibilityRole::Button; }

 private:
  std::string title_;
  std::string keyEquivalent_;
  bool bordered_ = true;
  bool pressed_ = false;
};

}  // namespace vigilix::platform
