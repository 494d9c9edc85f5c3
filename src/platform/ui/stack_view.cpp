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

double StackView::widthInColumn(const View& view, double room) const {
  const bool ownWidth = view.intrinsicContentSize().width != kNoIntrinsicMetric;
  const double width =
      alignment_ == Alignment::Fill || !ownWidth ? room : preferredSize(view).width;
  return std::min(width, room);
}

std::vector<double> StackView::widthsInRow(double room) const {
  double need = 0;
  int shown = 0;
  long flexible = 0;
  for (const auto& view : subviews()) {
    if (view->isHidden()) continue;
    ++shown;
    if (isFlexible(*view)) {
      ++flexible;
    } else {
      need += preferredSize(*view).width;
    }
  }
  if (shown > 1) need += spacing_ * (shown - 1);
  const double share =
      flexible > 0 ? std::max(0.0, room - need) / static_cast<double>(flexible) : 0;
  std::vector<double> widths;
  for (const auto& view : subviews()) {
    if (!view->isHidden()) widths.push_back(isFlexible(*view) ? share : preferredSize(*view).width);
  }
  return widths;
}

double StackView::heightForWidth(double width) const {
  const double room = width - insets_.left - insets_.right;
  double height = 0;
  if (orientation_ == Orientation::Vertical) {
    int shown = 0;
    for (const auto& view : subviews()) {
      if (view->isHidden()) continue;
      ++shown;
      if (!isFlexible(*view)) height += view->heightForWidth(widthInColumn(*view, room));
    }
    if (shown > 1) height += spacing_ * (shown - 1);
  } else {
    const auto widths = widthsInRow(room);
    std::size_t i = 0;
    for (const auto& view : subviews()) {
      if (!view->isHidden()) height = std::max(height, view->heightForWidth(widths[i++]));
    }
  }
  return height + insets_.top + insets_.bottom;
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
  // A column's flexible views share the height left; a row's, the width.
  double share = 0;
  if (vertical) {
    const double need = heightForWidth(frame().width()) - insets_.top - insets_.bottom;
    long flexible = std::count_if(subviews().begin(), subviews().end(), [this](const auto& v) {
      return !v->isHidden() && isFlexible(*v);
    });
    if (flexible > 0) share = std::max(0.0, room - need) / static_cast<double>(flexible);
  }
  const auto rowWidths = vertical ? std::vector<double>{} : widthsInRow(room);

  double position = vertical ? inner.minY() : inner.minX();
  std::size_t index = 0;
  for (const auto& view : subviews()) {
    if (view->isHidden()) continue;
    double along = 0;
    double across = 0;
    if (vertical) {
      across = widthInColumn(*view, acrossRoom);
      along = isFlexible(*view) ? share : view->heightForWidth(across);
    } else {
      along = rowWidths[index++];
      const bool ownHeight = view->intrinsicContentSize().height != kNoIntrinsicMetric;
      across =
          alignment_ == Alignment::Fill || !ownHeight ? acrossRoom : view->heightForWidth(along);
      across = std::min(across, acrossRoom);
    }
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
