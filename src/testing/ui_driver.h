#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/accessibility.h"
#include "platform/ui/stepper.h"
#include "platform/ui/view.h"
#include "platform/ui/window.h"

namespace vigilix::testing {

// Drives the view model as a person would: pointer, keyboard and the
// screen reader. Mouse positions are in the target view's own coordinates.
namespace ui {

// Press, drag and release the left button at a point of `view`. When the
// view is in a window the events go through the window; otherwise straight
// to the view.
void mouseDown(platform::View& view, platform::Point local);
void mouseDragged(platform::View& view, platform::Point local);
void mouseUp(platform::View& view, platform::Point local);
// Press and release at the view's centre.
void click(platform::View& view);

// A key with the characters it types (Return, Escape, Tab, Space, the
// arrows, Delete and the US letters and digits are known).
void pressKey(platform::Window& window, std::uint16_t keyCode, std::uint64_t modifiers = 0);
// Types text into the window's first responder, one key per character.
void typeText(platform::Window& window, const std::string& text);
// Selects everything in the field being edited and types over it.
void replaceText(platform::Window& window, const std::string& text);
// Clicks the upper or lower arrow of a stepper.
void stepUp(platform::Stepper& stepper);
void stepDown(platform::Stepper& stepper);

// The first view under `root` (depth first, root included) that matches.
std::shared_ptr<platform::View> findView(platform::View& root,
                                         const std::function<bool(const platform::View&)>& matches);
template <typename T>
std::shared_ptr<T> findView(platform::View& root,
                            const std::function<bool(const T&)>& matches = nullptr) {
  auto found = findView(root, [&](const platform::View& v) {
    auto* t = dynamic_cast<const T*>(&v);
    return t && (!matches || matches(*t));
  });
  return std::dynamic_pointer_cast<T>(found);
}
std::shared_ptr<platform::View> findByAccessibilityLabel(platform::View& root,
                                                         const std::string& label);

}  // namespace ui

// Collects the accessibility notifications posted while it lives.
class AccessibilityCapture {
 public:
  AccessibilityCapture();
  AccessibilityCapture(const AccessibilityCapture&) = delete;
  AccessibilityCapture& operator=(const AccessibilityCapture&) = delete;
  // The announcements, in order.
  std::vector<platform::AccessibilityPost> announcements() const;
  int valueChangedCount(const platform::View& element) const;
  void clear() { posts_.clear(); }

 private:
  std::vector<platform::AccessibilityPost> posts_;
  std::unique_ptr<platform::AccessibilityCenter::Token> token_;
};

}  // namespace vigilix::testing
