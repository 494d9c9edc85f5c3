#include "platform/ui/stack_view.h"

#include <algorithm>

namespace vigilix::platform {

namespace {

bool isSpacer(const View& view) { return dynamic_cast<const SpacerView*>(&view) != nullptr; }

}  // namespace

StackView::StackView(Orientation orientation, Rect frame)
    : View(frame), orientation_(orientation) {}

std::shared_ptr<StackView> StackView::make(Orientation orientation,
                                           std::vector<std::shared_ptr<View>> views) {
  auto stack = std::make_shared<StackView>(orientation);
  for (auto& view : views) stack->addArrangedSubview(view);
  return stack;
}

void StackView::setAlignment(Alignment alignment) {
  alignment_ = alignment;
  setNeedsLayout(true);
}

void StackView::setSpacing(double spacing) {
  spacing_ = spacing;
  setNeedsLayout(true);
}

void StackView::setEdgeInsets(EdgeInsets insets) {
  insets_ = insets;
  setNeedsLayout(true);
}

void StackView::addArrangedSubview(const std::shared_ptr<View>& view) { addSubview(view); }

void StackView::removeAllArrangedSubviews() {
  auto views = subviews();
  for (auto& view : views) view->removeFromSuperview();
}

std::vector<std::shared_ptr<View>> StackView::arrangedSubviews() const { return subviews(); }

Size StackView::preferredSize(const View& view) {
  Size intrinsic = view.intrinsicContentSize();
  Size frame = view.frame().size;
  return Size{intrinsic.width == kNoIntrinsicMetric ? frame.width : intrinsic.width,
              intrinsic.height == kNoIntrinsicMetric ? frame.height : intrinsic.height};
}

Size StackView::fittingSize() const {
  double along = 0;
  double across = 0;
  int shown = 0;
  for (const auto& view : subviews()) {
    if (view->isHidden()) continue;
    ++shown;
    if (isSpacer(*view)) continue;
    Size size = preferredSize(*view);
    bool vertical = orientation_ == Orientation::Vertical;
    along += vertical ? size.height : size.width;
    across = std::max(across, vertical ? size.width : size.height);
  }
  if (shown > 1) along += spacing_ * (shown - 1);
  double horizontal = insets_.left + insets_.right;
  double vertical = insets_.top + insets_.bottom;
  if (orientation_ == Orientation::Vertical) return Size{across + horizontal, along + vertical};
  return Size{along + horizontal, across + vertical};
}

void StackView::layout() {
  bool vertical = orientation_ == Orientation::Vertical;
  Rect inner(insets_.left, insets_.top, frame().width() - insets_.left - insets_.right,
             frame().height() - insets_.top - insets_.bottom);
  double room = vertical ? inner.height() : inner.width();
  double acrossRoom = vertical ? inner.width() : inner.height();
  Size fitting = fittingSize();
  double need = vertical ? fitting.height - insets_.top - insets_.bottom
                         : fitting.width - insets_.left - insets_.right;
  long spacers = std::count_if(subviews().begin(), subviews().end(),
                               [](const auto& v) { return !v->isHidden() && isSpacer(*v); });
  double spare = spacers > 0 ? std::max(0.0, room - need) / static_cast<double>(spacers) : 0;

  double position = vertical ? inner.minY() : inner.minX();
  for (const auto& view : subviews()) {
    if (view->isHidden()) continue;
    Size size =
        isSpacer(*view) ? Size{vertical ? 0 : spare, vertical ? spare : 0} : preferredSize(*view);
    double along = vertical ? size.height : size.width;
    double across = vertical ? size.width : size.height;
    bool fills = alignment_ == Alignment::Fill ||
                 (vertical && view->intrinsicContentSize().width == kNoIntrinsicMetric &&
                  !dynamic_cast<const StackView*>(view.get()));
    if (fills || isSpacer(*view)) across = acrossRoom;
    across = std::min(across, acrossRoom);
    double offset = alignment_ == Alignment::Center ? (acrossRoom - across) / 2 : 0;
    if (vertical) {
      view->setFrame(Rect(inner.minX() + offset, position, across, along));
    } else {
      view->setFrame(Rect(position, inner.minY() + offset, along, across));
    }
    position += along + spacing_;
  }
}

}  // namespace vigilix::platform
