#include "platform/ui/window.h"

#include <algorithm>

#include "platform/ui/application.h"
#include "platform/ui/button.h"
#include "platform/ui/scroll_view.h"
#include "platform/ui/view.h"
#include "platform/ui/window_rendering.h"

namespace vigilix::platform {

namespace {

int buttonIndex(WindowButton button) {
  switch (button) {
    case WindowButton::Close:
      return 0;
    case WindowButton::Miniaturize:
      return 1;
    case WindowButton::Zoom:
      return 2;
  }
  return 0;
}

}  // namespace

Window::Window(Rect contentRect, unsigned styleMask) : styleMask_(styleMask) {
  // Before the window's views measure themselves.
  WindowRendering::prepare();
  frame_ = frameRectForContentRect(contentRect);
  setContentView(std::make_shared<View>(Rect(0, 0, contentRect.width(), contentRect.height())));
  registerLiveWindow(this);
}

Window::~Window() {
  unregisterLiveWindow(this);
  WindowRendering::windowDidClose(this);
  if (contentView_) contentView_->window_ = nullptr;
  if (attachedSheet_) attachedSheet_->sheetParent_ = nullptr;
  for (auto& pending : queuedSheets_) pending.sheet->sheetParent_ = nullptr;
}

void Window::setTitle(const std::string& title) {
  title_ = title;
  WindowRendering::windowDidChange(*this);
}

Rect Window::contentRect() const {
  double titleBar = frameRectForContentRect(Rect()).height();
  return Rect(frame_.origin.x, frame_.origin.y, frame_.width(), frame_.height() - titleBar);
}

Rect Window::frameRectForContentRect(Rect content) const {
  double titleBar = (styleMask_ & WindowStyle::Titled) ? kTitleBarHeight : 0;
  return Rect(content.origin, Size{content.width(), content.height() + titleBar});
}

void Window::setFrame(Rect frame) {
  framePlaced_ = true;
  if (frame == frame_) return;
  frame_ = frame;
  Rect content = contentRect();
  if (contentView_) contentView_->setFrame(Rect(0, 0, content.width(), content.height()));
  WindowRendering::windowDidChange(*this);
  saveFrame();
}

void Window::setContentSize(Size size) { setContentSize(size, false); }

void Window::setContentSize(Size size, bool animate) {
  animatesResize_ = animate && animationBehavior_ == WindowAnimationBehavior::Default;
  Rect frame = frameRectForContentRect(Rect(Point{}, size));
  // The top edge stays where it is, as on the screen.
  frame_ = Rect(frame_.origin.x, frame_.maxY() - frame.height(), frame.width(), frame.height());
  if (contentView_) contentView_->setFrame(Rect(0, 0, size.width, size.height));
  WindowRendering::windowDidChange(*this);
  saveFrame();
}

void Window::setFrameOrigin(Point origin) {
  frame_.origin = origin;
  framePlaced_ = true;
  WindowRendering::windowDidChange(*this);
  saveFrame();
}

void Window::center() {
  Rect screen = screenVisibleFrame();
  frame_.origin.x = screen.minX() + (screen.width() - frame_.width()) / 2;
  // Slightly above the middle, as the platform places centred windows.
  double spare = screen.height() - frame_.height();
  frame_.origin.y = screen.minY() + spare * 2 / 3;
  saveFrame();
}

void Window::setContentView(std::shared_ptr<View> view) {
  if (contentView_ == view) return;
  if (contentView_) {
    auto old = contentView_;
    old->window_ = nullptr;
    contentView_.reset();
    old->notifyDidMoveToWindow();
  }
  contentView_ = std::move(view);
  if (contentView_) {
    contentView_->removeFromSuperview();
    contentView_->window_ = this;
    Rect content = contentRect();
    contentView_->setFrame(Rect(0, 0, content.width(), content.height()));
    contentView_->notifyDidMoveToWindow();
  }
  WindowRendering::windowDidChange(*this);
}

bool Window::isStandardWindowButtonHidden(WindowButton button) const {
  return buttonHidden_[buttonIndex(button)];
}

void Window::setStandardWindowButtonHidden(WindowButton button, bool hidden) {
  buttonHidden_[buttonIndex(button)] = hidden;
}

bool Window::isKeyWindow() const { return Application::shared().keyWindow() == this; }

void Window::orderFront() {
  if (visible_) return;
  visible_ = true;
  layoutIfNeeded();
  if (auto content = contentView_) content->viewDidAppear();
}

void Window::makeKeyAndOrderFront() {
  orderFront();
  if (auto self = weak_from_this().lock()) Application::shared().setKeyWindow(self);
  if (firstResponder() == this) {
    if (auto initial = initialFirstResponder()) makeFirstResponder(initial.get());
  }
  WindowRendering::windowDidShow(*this);
}

void Window::orderFrontRegardless() {
  orderFront();
  WindowRendering::windowDidShow(*this);
}

void Window::orderOut() {
  visible_ = false;
  WindowRendering::windowDidClose(this);
  Application::shared().resignKeyWindow(this);
}

void Window::close() {
  // The delegate may drop its last reference to this window.
  auto self = weak_from_this().lock();
  if (auto delegate = delegate_.lock()) delegate->windowWillClose(*this);
  if (auto view = firstResponder_.lock()) view->resignFirstResponder();
  firstResponder_.reset();
  orderOut();
}

void Window::performClose() {
  if (styleMask_ & WindowStyle::Closable) close();
}

Responder* Window::firstResponder() const {
  auto view = firstResponder_.lock();
  if (view && view->window() == this) return view.get();
  return const_cast<Window*>(this);
}

bool Window::makeFirstResponder(View* view) {
  Responder* current = firstResponder();
  if (current == view) return true;
  if (view && (view->window() != this || !view->acceptsFirstResponder())) return false;
  if (current != this && !current->resignFirstResponder()) return false;
  firstResponder_.reset();
  if (!view) return true;
  if (!view->becomeFirstResponder()) return false;
  firstResponder_ = view->weak_from_this();
  WindowRendering::windowDidChange(*this);
  return true;
}

namespace {

// The views that take the keys, in the order a person reads them: the
// views' own order, which stacks keep top to bottom and leading to trailing.
void collectKeyViews(View& view, std::vector<View*>& out) {
  if (view.isHidden()) return;
  if (view.acceptsFirstResponder()) out.push_back(&view);
  for (const auto& child : view.subviews()) collectKeyViews(*child, out);
}

// Scrolls every scrolling view above `view` so that it shows whole.
void scrollToShow(const View& view) {
  for (View* above = view.superview(); above; above = above->superview()) {
    auto* scroll = dynamic_cast<ScrollView*>(above);
    if (!scroll || !scroll->documentView()) continue;
    const View* document = scroll->documentView().get();
    const double a = view.convertPointToView(Point{0, 0}, document).y;
    const double b = view.convertPointToView(Point{0, view.frame().height()}, document).y;
    const double top = std::min(a, b);
    const double bottom = std::max(a, b);
    const double shown = scroll->frame().height();
    if (top < scroll->verticalOffset()) {
      scroll->scrollToVerticalOffset(top);
    } else if (bottom > scroll->verticalOffset() + shown) {
      scroll->scrollToVerticalOffset(bottom - shown);
    }
    scroll->layoutSubtreeIfNeeded();
  }
}

}  // namespace

View* Window::keyViewInReadingOrder(const View* from, bool forward) const {
  std::vector<View*> loop;
  if (contentView_) collectKeyViews(*contentView_, loop);
  if (loop.empty()) return nullptr;
  const auto at = std::find(loop.begin(), loop.end(), from);
  if (at == loop.end()) return forward ? loop.front() : loop.back();
  if (forward) return std::next(at) == loop.end() ? loop.front() : *std::next(at);
  return at == loop.begin() ? loop.back() : *std::prev(at);
}

void Window::focusKeyView(View* view) {
  if (view && makeFirstResponder(view)) scrollToShow(*view);
}

void Window::selectNextKeyView() {
  Responder* current = firstResponder();
  auto* view = current == this ? initialFirstResponder().get() : static_cast<View*>(current);
  if (current == this && view && view->canBecomeKeyView()) {
    focusKeyView(view);
    return;
  }
  // Without a loop of its own, the next view in reading order.
  if (!view || !view->nextKeyView()) {
    focusKeyView(keyViewInReadingOrder(current == this ? nullptr : view, true));
    return;
  }
  // Follow the loop until a view that can take focus; stop after a full turn.
  std::shared_ptr<View> next = view->nextKeyView();
  for (int guard = 0; next && next.get() != view && guard < 1000; ++guard) {
    if (next->canBecomeKeyView()) {
      focusKeyView(next.get());
      return;
    }
    next = next->nextKeyView();
  }
}

void Window::selectPreviousKeyView() {
  Responder* current = firstResponder();
  if (!contentView_) return;
  if (current == this) {
    focusKeyView(keyViewInReadingOrder(nullptr, false));
    return;
  }
  auto* view = static_cast<View*>(current);
  // The previous view is the one whose next view is this one.
  std::vector<View*> stack{contentView_.get()};
  std::vector<View*> all;
  while (!stack.empty()) {
    View* v = stack.back();
    stack.pop_back();
    all.push_back(v);
    for (auto& child : v->subviews()) stack.push_back(child.get());
  }
  if (std::none_of(all.begin(), all.end(),
                   [&](View* v) { return v->nextKeyView().get() == view; })) {
    focusKeyView(keyViewInReadingOrder(view, false));
    return;
  }
  View* target = view;
  for (int guard = 0; guard < 1000; ++guard) {
    auto it = std::find_if(all.begin(), all.end(),
                           [&](View* v) { return v->nextKeyView().get() == target; });
    if (it == all.end() || *it == view) return;
    if ((*it)->canBecomeKeyView()) {
      focusKeyView(*it);
      return;
    }
    target = *it;
  }
}

bool Window::acceptsEvents() const {
  if (attachedSheet_) return false;
  auto modal = Application::shared().modalWindow();
  if (!modal) return true;
  for (const Window* w = this; w; w = w->sheetParent_) {
    if (w == modal.get()) return true;
  }
  return false;
}

bool Window::beginSheet(const std::shared_ptr<Window>& sheet, SheetCompletion completion) {
  if (!sheet || sheet.get() == this || sheet->sheetParent_) return false;
  for (const Window* w = sheetParent_; w; w = w->sheetParent_) {
    if (w == sheet.get()) return false;
  }
  sheet->sheetParent_ = this;
  PendingSheet pending{sheet, std::move(completion)};
  if (attachedSheet_) {
    queuedSheets_.push_back(std::move(pending));
  } else {
    attach(std::move(pending));
  }
  return true;
}

void Window::attach(PendingSheet pending) {
  attachedSheet_ = std::move(pending.sheet);
  sheetCompletion_ = std::move(pending.completion);
  attachedSheet_->makeKeyAndOrderFront();
}

void Window::endSheet(const Window& sheet, ModalResponse response) {
  auto self = weak_from_this().lock();
  if (attachedSheet_.get() != &sheet) {
    auto it = std::find_if(queuedSheets_.begin(), queuedSheets_.end(),
                           [&](const PendingSheet& p) { return p.sheet.get() == &sheet; });
    if (it == queuedSheets_.end()) return;
    auto dropped = std::move(*it);
    queuedSheets_.erase(it);
    dropped.sheet->sheetParent_ = nullptr;
    if (dropped.completion) dropped.completion(response);
    return;
  }
  auto ended = std::move(attachedSheet_);
  auto completion = std::move(sheetCompletion_);
  attachedSheet_.reset();
  sheetCompletion_ = nullptr;
  ended->orderOut();
  ended->sheetParent_ = nullptr;
  if (visible_) makeKeyAndOrderFront();
  // The completion may begin another sheet; a queued one waits its turn.
  if (completion) completion(response);
  if (!attachedSheet_ && !queuedSheets_.empty()) {
    auto next = std::move(queuedSheets_.front());
    queuedSheets_.pop_front();
    attach(std::move(next));
  }
}

void Window::sendEvent(const Event& event) {
  auto self = weak_from_this().lock();
  if (!acceptsEvents()) return;
  switch (event.type) {
    case Event::Type::KeyDown: {
      std::uint64_t modifiers = event.modifierFlags & ModifierFlags::DeviceIndependentShortcutMask;
      if (event.keyCode == KeyCode::Return && modifiers == 0) {
        if (auto button = defaultButton();
            button && button->window() == this && button->performClick()) {
          return;
        }
      }
      if (auto content = contentView_; content && content->performKeyEquivalent(event)) return;
      firstResponder()->keyDown(event);
      return;
    }
    case Event::Type::LeftMouseDown: {
      if (!contentView_) return;
      View* hit = contentView_->hitTest(event.locationInWindow);
      if (!hit) return;
      mouseTarget_ = hit->weak_from_this();
      if (hit->acceptsFirstResponder()) makeFirstResponder(hit);
      if (auto target = mouseTarget_.lock()) target->mouseDown(event);
      return;
    }
    case Event::Type::LeftMouseDragged:
      if (auto target = mouseTarget_.lock()) target->mouseDragged(event);
      return;
    case Event::Type::LeftMouseUp:
      if (auto target = mouseTarget_.lock()) {
        mouseTarget_.reset();
        target->mouseUp(event);
      }
      return;
  }
}

void Window::layoutIfNeeded() {
  if (contentView_) contentView_->layoutSubtreeIfNeeded();
}

void Window::keyDown(const Event& event) {
  if (event.keyCode != KeyCode::Tab) return;
  if (event.modifierFlags & ModifierFlags::Shift) {
    selectPreviousKeyView();
  } else {
    selectNextKeyView();
  }
}

}  // namespace vigilix::platform
