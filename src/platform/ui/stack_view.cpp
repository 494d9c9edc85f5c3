#include "platform/ui/stack_view.h"

#include <algorithm>

namespace vigilix::platform {

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
  flexible_.clear();
}

std::vector<std::shared_ptr<View>> StackView::arrangedSubviews() const { return subviews(); }

void StackView::setFlexible(const View& view, bool flexible) {
  std::erase(flexible_, &view);
  if (flexible) flexible_.push_back(&view);
  setNeedsLayout(true);
}

bool StackView::isFlexible(const View& view) const {
  return dynamic_cast<const SpacerView*>(&view) != nullptr ||
         std::find(flexible_.begin(), flexible_.end(), &view) != flexible_.end();
}

bool StackView::hasFlexibleView() const {
  return std::any_of(subviews().begin(), subviews().end(),
                     [this](const auto& v) { return !v->isHidden() && isFlexible(*v); });
}

Size StackView::preferredSize(const View& view) {
  Size intrinsic = view.intrinsicContentSize();
  Size frame = view.frame().size;
  return Size{intrinsic.width == kNoIntrinsicMetric ? frame.width : intrinsic.width,
              intrinsic.height == kNoIntrinsicMetric ? frame.height : intrinsic.height};
}

Size StackView::fittingSize() const {
  const bool vertical = orientation_ == Orientation::Vertical;
  double along = 0;
  double across = 0;
  int shown = 0;
  for (const auto& view : subviews()) {
    if (view->isHidden()) continue;
    ++shown;
    Size size = preferredSize(*view);
    if (!isFlexible(*view)) along += vertical ? size.height : size.width;
    across = std::max(across, vertical ? size.width : size.height);
  }
  if (shown > 1) along += spacing_ * (shown - 1);
  double horizontal = insets_.left + insets_.right;
  double verticalInsets = insets_.top + insets_.bottom;
  if (vertical) return Size{across + horizontal, along + verticalInsets};
  return Size{along + horizontal, across + verticalInsets};
}

Size StackView::intrinsicContentSize() const {
  Size size = fittingSize();
  if (hasFlexibleView()) {
    (orientation_ == Orientation::Vertical ? size.height : size.width) = kNoIntrinsicMetric;
  }
  return size;
}

void StackView::layout() {
  const bool vertical = orientation_ == Orientation::Vertical;
  Rect inner(insets_.left, insets_.top, frame().width() - insets_.left - insets_.right,
             frame().height() - insets_.top - insets_.bottom);
  const double room = vertical ? inner.height() : inner.width();
  const double acrossRoom = vertical ? inner.width() : inner.height();
  Size fitting = fittingSize();
  double need = vertical ? fitting.height - insets_.top - insets_.bottom
                         : fitting.width - insets_.left - insets_.right;
  long flexible = std::count_if(subviews().begin(), subviews().end(),
                                [this](const auto& v) { return !v->isHidden() && isFlexible(*v); });
  double share = flexible > 0 ? std::max(0.0, room - need) / static_cast<double>(flexible) : 0;

  double position = vertical ? inner.minY() : inner.minX();
  for (const auto& view : subviews()) {
    if (view->isHidden()) continue;
    Size size = preferredSize(*view);
    Size intrinsic = view->intrinsicContentSize();
    double along = isFlexible(*view) ? share : vertical ? size.height : size.width;
    double across = vertical ? size.width : size.height;
    bool noOwnSize = (vertical ? intrinsic.width : intrinsic.height) == kNoIntrinsicMetric;
    if (alignment_ == Alignment::Fill || noOwnSize) across = acrossRoom;
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
