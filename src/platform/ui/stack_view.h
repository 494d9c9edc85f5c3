#pragma once

#include <memory>
#include <vector>

#include "platform/ui/geometry.h"
#include "platform/ui/view.h"

namespace vigilix::platform {

struct EdgeInsets {
  double top = 0;
  double left = 0;
  double bottom = 0;
  double right = 0;
  bool operator==(const EdgeInsets&) const = default;
};

// Flexible space in a stack: takes what the other views leave along the
// stack's axis, so that the views after it move to the far end.
class SpacerView : public View {
 public:
  SpacerView() = default;
};

// Lays out its arranged views in a row or a column, in order, at their
// intrinsic (fitting) sizes, `spacing` apart, inside `edgeInsets`; text that
// wraps takes the lines it needs at the width it is given.
// Across the axis each view sits at the leading (top) edge, the centre or
// fills the stack, as `alignment` says; a view with no intrinsic size
// across the axis fills it. Spacers and views marked flexible share the
// room left along the axis, and a stack holding one has no intrinsic size
// along its axis (it takes what its own stack gives it). Flipped: the first
// view is at the top. Main thread only.
class StackView : public View {
 public:
  enum class Orientation { Horizontal, Vertical };
  enum class Alignment { Leading, Center, Fill };

  explicit StackView(Orientation orientation, Rect frame = {});
  static std::shared_ptr<StackView> make(Orientation orientation,
                                         std::vector<std::shared_ptr<View>> views);

  Orientation orientation() const { return orientation_; }
  Alignment alignment() const { return alignment_; }
  void setAlignment(Alignment alignment);
  double spacing() const { return spacing_; }
  void setSpacing(double spacing);
  EdgeInsets edgeInsets() const { return insets_; }
  void setEdgeInsets(EdgeInsets insets);

  // Arranged views are subviews, in order.
  void addArrangedSubview(const std::shared_ptr<View>& view);
  void removeAllArrangedSubviews();
  std::vector<std::shared_ptr<View>> arrangedSubviews() const;
  // A flexible view takes the room left along the axis, like a spacer.
  void setFlexible(const View& view, bool flexible);

  // The size the arranged views need (spacers count as 0); a column takes
  // the widest view across and a row the tallest.
  Size fittingSize() const;
  Size intrinsicContentSize() const override;
  double heightForWidth(double width) const override;
  bool isFlipped() const override { return true; }
  void layout() override;

  // A view's size in a stack: its intrinsic size, a stack's fitting size,
  // or its frame's size where it has no intrinsic metric.
  static Size preferredSize(const View& view);

 private:
  bool isFlexible(const View& view) const;
  bool hasFlexibleView() const;
  // The width a view takes across a column with `room` inside it.
  double widthInColumn(const View& view, double room) const;
  // Each shown view's width along a row with `room` inside it, in order.
  std::vector<double> widthsInRow(double room) const;

  Orientation orientation_;
  Alignment alignment_ = Alignment::Leading;
  double spacing_ = 8;
  EdgeInsets insets_;
  std::vector<const View*> flexible_;
};

}  // namespace vigilix::platform
