#include "platform/ui/scroll_view.h"

#include <algorithm>

#include "platform/ui/stack_view.h"

namespace vigilix::platform {

ScrollView::ScrollView(Rect frame) : View(frame) {}

void ScrollView::setDocumentView(std::shared_ptr<View> view) {
  if (document_) document_->removeFromSuperview();
  document_ = std::move(view);
  offset_ = 0;
  if (document_) addSubview(document_);
  setNeedsLayout(true);
}

void ScrollView::setHasVerticalScroller(bool has) {
  hasVerticalScroller_ = has;
  setNeedsLayout(true);
}

double ScrollView::visibleWidth() const {
  return std::max(0.0, frame().width() - (hasVerticalScroller_ ? kScrollerWidth : 0));
}

double ScrollView::documentHeight() const {
  if (!document_) return 0;
  return document_->heightForWidth(visibleWidth());
}

double ScrollView::maximumVerticalOffset() const {
  return std::max(0.0, documentHeight() - frame().height());
}

void ScrollView::scrollToVerticalOffset(double offset) {
  // NaN and out-of-range offsets land on the nearest end.
  double clamped = offset > 0 ? std::min(offset, maximumVerticalOffset()) : 0;
  if (clamped == offset_) return;
  offset_ = clamped;
  setNeedsLayout(true);
  setNeedsDisplay();
}

void ScrollView::layout() {
  if (!document_) return;
  offset_ = std::min(offset_, maximumVerticalOffset());
  // The width first: a wrapping document knows its height only then.
  document_->setFrame(Rect(0, -offset_, visibleWidth(), document_->frame().height()));
  document_->setFrame(Rect(0, -offset_, visibleWidth(), documentHeight()));
  offset_ = std::min(offset_, maximumVerticalOffset());
  document_->setFrameOrigin(Point{0, -offset_});
}

}  // namespace vigilix::platform
