#pragma once

#include <memory>

#include "platform/ui/geometry.h"
#include "platform/ui/view.h"

namespace vigilix::platform {

// Shows part of a taller document view and scrolls it vertically. The
// document is as wide as the scroll view (less the scroller when shown) and
// as tall as it prefers (StackView::preferredSize); the scroll offset is the
// distance from the document's top, kept between 0 and the part that does
// not fit. Main thread only.
class ScrollView : public View {
 public:
  static constexpr double kScrollerWidth = 15;

  explicit ScrollView(Rect frame = {});

  std::shared_ptr<View> documentView() const { return document_; }
  void setDocumentView(std::shared_ptr<View> view);
  bool hasVerticalScroller() const { return hasVerticalScroller_; }
  void setHasVerticalScroller(bool has);

  // Points scrolled from the top; a bad offset is clamped.
  double verticalOffset() const { return offset_; }
  void scrollToVerticalOffset(double offset);
  // The document's height less what shows; 0 when it all fits.
  double maximumVerticalOffset() const;

  bool isFlipped() const override { return true; }
  void layout() override;

 private:
  double documentHeight() const;
  double visibleWidth() const;

  std::shared_ptr<View> document_;
  bool hasVerticalScroller_ = false;
  double offset_ = 0;
};

}  // namespace vigilix::platform
