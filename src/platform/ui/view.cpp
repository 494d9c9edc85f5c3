#include "platform/ui/view.h"

#include <algorithm>

#include "platform/ui/menu.h"
#include "platform/ui/window.h"
#include "platform/ui/window_rendering.h"

namespace vigilix::platform {

View::View(Rect frame) : frame_(frame) {}

View::~View() {
  for (auto& child : subviews_) child->superview_ = nullptr;
}

void View::setFrame(Rect frame) {
  if (frame == frame_) return;
  frame_ = frame;
  needsLayout_ = true;
  WindowRendering::viewDidChange(*this);
}

void View::addSubview(const std::shared_ptr<View>& view) {
  if (!view || view.get() == this || isDescendantOf(*view)) return;
  auto keepAlive = view;
  view->removeFromSuperview();
  subviews_.push_back(view);
  view->superview_ = this;
  view->viewDidMoveToSuperview();
  if (window()) view->notifyDidMoveToWindow();
  if (view->appearance_ == std::nullopt) view->notifyAppearanceChanged();
  needsLayout_ = true;
  WindowRendering::viewDidChange(*this);
}

void View::removeFromSuperview() {
  View* parent = superview_;
  if (!parent) return;
  auto self = shared_from_this();
  bool hadWindow = window() != nullptr;
  auto& siblings = parent->subviews_;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), self), siblings.end());
  superview_ = nullptr;
  viewDidMoveToSuperview();
  if (hadWindow) notifyDidMoveToWindow();
  parent->needsLayout_ = true;
  WindowRendering::viewDidChange(*parent);
}

bool View::isDescendantOf(const View& other) const {
  for (const View* v = this; v; v = v->superview_) {
    if (v == &other) return true;
  }
  return false;
}

const View* View::root() const {
  const View* v = this;
  while (v->superview_) v = v->superview_;
  return v;
}

Window* View::window() const { return root()->window_; }

MenuItem* View::enclosingMenuItem() const {
  for (const View* v = this; v; v = v->superview_) {
    if (v->menuItem_) return v->menuItem_;
  }
  return nullptr;
}

void View::notifyDidMoveToWindow() {
  viewDidMoveToWindow();
  auto children = subviews_;
  for (auto& child : children) child->notifyDidMoveToWindow();
}

void View::setHidden(bool hidden) {
  if (hidden_ == hidden) return;
  hidden_ = hidden;
  setNeedsDisplay();
  if (superview_) superview_->needsLayout_ = true;
}

bool View::isHiddenOrHasHiddenAncestor() const {
  for (const View* v = this; v; v = v->superview_) {
    if (v->hidden_) return true;
  }
  return false;
}

void View::invalidateIntrinsicContentSize() {
  for (View* v = this; v; v = v->superview_) v->needsLayout_ = true;
}

void View::layoutSubtreeIfNeeded() {
  auto self = shared_from_this();
  if (needsLayout_) {
    needsLayout_ = false;
    layout();
  }
  auto children = subviews_;
  for (auto& child : children) child->layoutSubtreeIfNeeded();
}

void View::setNeedsDisplay(bool needsDisplay) {
  needsDisplay_ = needsDisplay;
  if (!needsDisplay) return;
  ++displayRequests_;
  WindowRendering::viewDidChange(*this);
}

void View::drawRect(DrawingContext&, const Rect&) {}

DrawingContext View::display() {
  DrawingContext context;
  drawRect(context, bounds());
  needsDisplay_ = false;
  return context;
}

void View::setAppearance(std::optional<Appearance> appearance) {
  Appearance before = effectiveAppearance();
  appearance_ = appearance;
  if (effectiveAppearance() != before) notifyAppearanceChanged();
}

Appearance View::effectiveAppearance() const {
  for (const View* v = this; v; v = v->superview_) {
    if (v->appearance_) return *v->appearance_;
  }
  return Appearance::Aqua;
}

void View::notifyAppearanceChanged() {
  viewDidChangeEffectiveAppearance();
  for (auto& child : subviews_) {
    if (!child->appearance_) child->notifyAppearanceChanged();
  }
}

double View::heightForWidth(double) const {
  const double intrinsic = intrinsicContentSize().height;
  return intrinsic == kNoIntrinsicMetric ? frame_.height() : intrinsic;
}

bool View::canBecomeKeyView() const {
  return acceptsFirstResponder() && !isHiddenOrHasHiddenAncestor();
}

bool View::performKeyEquivalent(const Event& event) {
  if (hidden_) return false;
  auto children = subviews_;
  for (auto& child : children) {
    if (child->performKeyEquivalent(event)) return true;
  }
  return false;
}

View* View::hitTest(Point pointInSuperview) {
  if (hidden_ || !frame_.contains(pointInSuperview)) return nullptr;
  bool parentFlipped = superview_ ? superview_->isFlipped() : false;
  Point local{pointInSuperview.x - frame_.origin.x, pointInSuperview.y - frame_.origin.y};
  if (isFlipped() != parentFlipped) local.y = frame_.size.height - local.y;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    if (View* hit = (*it)->hitTest(local)) return hit;
  }
  return this;
}

Point View::fromWindow(Point p) const {
  Point parent = superview_ ? superview_->fromWindow(p) : p;
  bool parentFlipped = superview_ ? superview_->isFlipped() : false;
  Point local{parent.x - frame_.origin.x, parent.y - frame_.origin.y};
  if (isFlipped() != parentFlipped) local.y = frame_.size.height - local.y;
  return local;
}

Point View::toWindow(Point p) const {
  bool parentFlipped = superview_ ? superview_->isFlipped() : false;
  Point d = p;
  if (isFlipped() != parentFlipped) d.y = frame_.size.height - d.y;
  Point parent{d.x + frame_.origin.x, d.y + frame_.origin.y};
  return superview_ ? superview_->toWindow(parent) : parent;
}

Point View::convertPointFromView(Point point, const View* from) const {
  Point inWindow = from ? from->toWindow(point) : point;
  return fromWindow(inWindow);
}

Point View::convertPointToView(Point point, const View* to) const {
  Point inWindow = toWindow(point);
  return to ? to->fromWindow(inWindow) : inWindow;
}

Responder* View::nextResponder() const {
  if (superview_) return superview_;
  return window_;
}

}  // namespace vigilix::platform
