#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/accessibility.h"
#include "platform/ui/drawing.h"
#include "platform/ui/geometry.h"
#include "platform/ui/responder.h"

namespace vigilix::platform {

class Window;
class MenuItem;

enum class Appearance { Aqua, DarkAqua };

// A view in a tree of views: a frame in its superview's coordinates, hidden
// flag, drawing into a recorded list, needs-display and needs-layout
// bookkeeping, accessibility properties and a place in the key-view loop.
// Views are owned by std::shared_ptr; a superview owns its subviews.
class View : public Responder, public std::enable_shared_from_this<View> {
 public:
  static constexpr double kNoIntrinsicMetric = -1;

  explicit View(Rect frame = {});
  ~View() override;
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Geometry.
  Rect frame() const { return frame_; }
  virtual void setFrame(Rect frame);
  void setFrameOrigin(Point origin) { setFrame(Rect(origin, frame_.size)); }
  void setFrameSize(Size size) { setFrame(Rect(frame_.origin, size)); }
  Rect bounds() const { return Rect(Point{}, frame_.size); }
  virtual bool isFlipped() const { return false; }
  // kNoIntrinsicMetric in a dimension the view has no size of its own in.
  virtual Size intrinsicContentSize() const { return {kNoIntrinsicMetric, kNoIntrinsicMetric}; }
  // The height the view wants when it is `width` wide: text that wraps takes
  // the lines it needs there. Otherwise its intrinsic height, else its
  // frame's.
  virtual double heightForWidth(double width) const;

  // Hierarchy.
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  void addSubview(const std::shared_ptr<View>& view);
  void removeFromSuperview();
  Window* window() const;
  // The menu item whose view holds this view (directly or above), if any.
  MenuItem* enclosingMenuItem() const;
  virtual void viewDidMoveToWindow() {}
  virtual void viewDidMoveToSuperview() {}
  // The window whose content view this is came on screen.
  virtual void viewDidAppear() {}

  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);
  // Hidden itself or inside a hidden view.
  bool isHiddenOrHasHiddenAncestor() const;

  // Layout: the only source of subview positions is layout(), run for the
  // views marked as needing it.
  void setNeedsLayout(bool needsLayout) { needsLayout_ = needsLayout; }
  // The view's own size changed: it and every view above it lay out again,
  // as those placed after it move.
  void invalidateIntrinsicContentSize();
  virtual void layout() {}
  void layoutSubtreeIfNeeded();

  // Display.
  bool needsDisplay() const { return needsDisplay_; }
  void setNeedsDisplay(bool needsDisplay = true);
  // How many times a redraw was requested.
  int displayRequestCount() const { return displayRequests_; }
  virtual void drawRect(DrawingContext& context, const Rect& dirtyRect);
  // Draws the view (not its subviews) and clears needsDisplay.
  DrawingContext display();

  // Appearance: the view's own, else its superview's, else Aqua.
  std::optional<Appearance> appearance() const { return appearance_; }
  void setAppearance(std::optional<Appearance> appearance);
  Appearance effectiveAppearance() const;
  virtual void viewDidChangeEffectiveAppearance() {}

  // Accessibility.
  virtual bool isAccessibilityElement() const { return accessibilityElement_; }
  void setAccessibilityElement(bool v) { accessibilityElement_ = v; }
  virtual AccessibilityRole accessibilityRole() const { return role_; }
  void setAccessibilityRole(AccessibilityRole role) { role_ = role; }
  virtual AccessibilitySubrole accessibilitySubrole() const { return subrole_; }
  void setAccessibilitySubrole(AccessibilitySubrole subrole) { subrole_ = subrole; }
  virtual std::optional<std::string> accessibilityLabel() const { return accessibilityLabel_; }
  void setAccessibilityLabel(std::optional<std::string> label) { accessibilityLabel_ = label; }
  virtual std::optional<std::string> accessibilityValue() const { return accessibilityValue_; }
  void setAccessibilityValue(std::optional<std::string> value) { accessibilityValue_ = value; }
  virtual bool isAccessibilityEnabled() const { return true; }
  // The press action; returns whether it was performed.
  virtual bool accessibilityPerformPress() { return false; }

  // Key-view loop.
  std::shared_ptr<View> nextKeyView() const { return nextKeyView_.lock(); }
  void setNextKeyView(const std::shared_ptr<View>& view) { nextKeyView_ = view; }
  virtual bool canBecomeKeyView() const;

  // Key equivalents, offered to every view of a window before the key goes
  // to the first responder.
  virtual bool performKeyEquivalent(const Event& event);

  // The deepest visible view under `point` (in the superview's coordinates).
  View* hitTest(Point pointInSuperview);

  // Between this view's coordinates and another view's; nullptr stands for
  // the window (the root's superview space when the view is in no window).
  Point convertPointFromView(Point point, const View* from) const;
  Point convertPointToView(Point point, const View* to) const;

  Responder* nextResponder() const override;

 private:
  friend class Window;
  friend class MenuItem;
  Point fromWindow(Point p) const;
  Point toWindow(Point p) const;
  void notifyDidMoveToWindow();
  void notifyAppearanceChanged();
  const View* root() const;
  bool isDescendantOf(const View& other) const;

  Rect frame_;
  View* superview_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
  Window* window_ = nullptr;      // set on a window's content view only
  MenuItem* menuItem_ = nullptr;  // set on a menu item's view
  bool hidden_ = false;
  bool needsLayout_ = false;
  bool needsDisplay_ = false;
  int displayRequests_ = 0;
  std::optional<Appearance> appearance_;
  bool accessibilityElement_ = false;
  AccessibilityRole role_ = AccessibilityRole::Unknown;
  AccessibilitySubrole subrole_ = AccessibilitySubrole::None;
  std::optional<std::string> accessibilityLabel_;
  std::optional<std::string> accessibilityValue_;
  std::weak_ptr<View> nextKeyView_;
};

}  // namespace vigilix::platform
