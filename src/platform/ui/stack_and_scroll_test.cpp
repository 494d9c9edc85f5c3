#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "platform/ui/scroll_view.h"
#include "platform/ui/stack_view.h"

namespace vigilix::platform {
namespace {

// A view of a size of its own, like a label or a button.
class Sized : public View {
 public:
  explicit Sized(Size size) : size_(size) {}
  Size intrinsicContentSize() const override { return size_; }
  void grow(Size size) {
    size_ = size;
    invalidateIntrinsicContentSize();
  }

 private:
  Size size_;
};

std::shared_ptr<View> box(double width, double height) {
  return std::make_shared<Sized>(Size{width, height});
}

TEST(StackViewTest, ArrangesViewsAlongItsAxisAtTheirSizes) {
  using O = StackView::Orientation;
  using A = StackView::Alignment;
  struct Row {
    const char* name;
    O orientation;
    A alignment;
    bool spacerSecond;
    std::vector<Rect> frames;  // of the three arranged views, in order
  } rows[] = {
      {"column, leading",
       O::Vertical,
       A::Leading,
       false,
       {Rect(20, 20, 40, 10), Rect(20, 46, 60, 20), Rect(20, 82, 10, 30)}},
      {"column, centred",
       O::Vertical,
       A::Center,
       false,
       {Rect(80, 20, 40, 10), Rect(70, 46, 60, 20), Rect(95, 82, 10, 30)}},
      {"column, spacer pushes the last down",
       O::Vertical,
       A::Leading,
       true,
       {Rect(20, 20, 40, 10), Rect(20, 46, 160, 104), Rect(20, 166, 10, 30)}},
      {"row, top-aligned",
       O::Horizontal,
       A::Leading,
       false,
       {Rect(20, 20, 40, 10), Rect(76, 20, 60, 20), Rect(152, 20, 10, 30)}},
      {"row, spacer pushes the last right",
       O::Horizontal,
       A::Leading,
       true,
       {Rect(20, 20, 40, 10), Rect(76, 20, 78, 176), Rect(170, 20, 10, 30)}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto second = row.spacerSecond ? std::static_pointer_cast<View>(std::make_shared<SpacerView>())
                                   : box(60, 20);
    auto stack = StackView::make(row.orientation, {box(40, 10), second, box(10, 30)});
    stack->setAlignment(row.alignment);
    stack->setSpacing(16);
    stack->setEdgeInsets({20, 20, 20, 20});
    stack->setFrame(Rect(0, 0, 200, 216));
    stack->layoutSubtreeIfNeeded();
    auto views = stack->arrangedSubviews();
    ASSERT_EQ(views.size(), row.frames.size());
    for (std::size_t i = 0; i < views.size(); ++i) {
      Rect f = views[i]->frame();
      EXPECT_EQ(f, row.frames[i]) << i << ": " << f.minX() << "," << f.minY() << " " << f.width()
                                  << "x" << f.height();
    }
  }
}

TEST(ScrollViewTest, KeepsTheOffsetWithinTheDocument) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    double documentHeight;
    double requested;
    double offset;
  } rows[] = {
      {"within", 500, 120, 120},     {"past the end", 500, 900, 400}, {"negative", 500, -5, 0},
      {"not a number", 500, nan, 0}, {"document fits", 50, 30, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto view = std::make_shared<ScrollView>(Rect(0, 0, 200, 100));
    auto& scroll = *view;
    scroll.setHasVerticalScroller(true);
    auto column = StackView::make(StackView::Orientation::Vertical, {box(10, row.documentHeight)});
    column->setSpacing(0);
    scroll.setDocumentView(column);
    scroll.layoutSubtreeIfNeeded();
    scroll.scrollToVerticalOffset(row.requested);
    scroll.layoutSubtreeIfNeeded();
    EXPECT_EQ(scroll.verticalOffset(), row.offset);
    EXPECT_EQ(column->frame(),
              Rect(0, -row.offset, 200 - ScrollView::kScrollerWidth, row.documentHeight));
  }
}

// A view that grows inside a scrolled column pushes what follows it down.
TEST(ScrollViewTest, AViewThatGrowsMovesTheViewsAfterIt) {
  auto scroll = std::make_shared<ScrollView>(Rect(0, 0, 200, 100));
  scroll->setHasVerticalScroller(true);
  auto growing = std::make_shared<Sized>(Size{10, 20});
  auto after = box(10, 30);
  auto column = StackView::make(StackView::Orientation::Vertical, {growing, after});
  column->setSpacing(0);
  scroll->setDocumentView(column);
  scroll->layoutSubtreeIfNeeded();
  ASSERT_EQ(after->frame().minY(), 20);
  growing->grow({10, 70});
  scroll->layoutSubtreeIfNeeded();
  EXPECT_EQ(after->frame().minY(), 70);
  EXPECT_EQ(column->frame().height(), 100);
}

}  // namespace
}  // namespace vigilix::platform
