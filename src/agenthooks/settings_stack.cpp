#include "agenthooks/settings_stack.h"

#include <algorithm>
#include <vector>

namespace vigilix {

namespace {

using platform::Rect;
using platform::Size;
using platform::View;

class FlexibleSpace final : public View {};

bool isFlexible(const View& view) { return dynamic_cast<const FlexibleSpace*>(&view) != nullptr; }

double known(double metric) { return metric == View::kNoIntrinsicMetric ? 0 : metric; }

std::vector<View*> shown(const std::vector<std::shared_ptr<View>>& views) {
  std::vector<View*> result;
  for (const auto& view : views) {
    if (!view->isHidden()) result.push_back(view.get());
  }
  return result;
}

}  // namespace

std::shared_ptr<VGXSettingsStack> VGXSettingsStack::make(Axis axis, double spacing, double margin) {
  return std::make_shared<VGXSettingsStack>(axis, spacing, margin);
}

std::shared_ptr<View> VGXSettingsStack::flexibleSpace() {
  return std::make_shared<FlexibleSpace>();
}

void VGXSettingsStack::add(const std::shared_ptr<View>& view) {
  addSubview(view);
  setNeedsLayout(true);
}

void VGXSettingsStack::clear() {
  const auto children = subviews();
  for (const auto& child : children) child->removeFromSuperview();
  setNeedsLayout(true);
}

Size VGXSettingsStack::intrinsicContentSize() const {
  const auto views = shown(subviews());
  double along = 0;
  double across = 0;
  for (const View* view : views) {
    const Size size = view->intrinsicContentSize();
    const bool vertical = axis_ == Axis::vertical;
    along += known(vertical ? size.height : size.width);
    across = std::max(across, known(vertical ? size.width : size.height));
  }
  if (views.size() > 1) along += spacing_ * static_cast<double>(views.size() - 1);
  along += 2 * margin_;
  across += 2 * margin_;
  return axis_ == Axis::vertical ? Size{across, along} : Size{along, across};
}

void VGXSettingsStack::layout() {
  const auto views = shown(subviews());
  const double width = bounds().size.width - 2 * margin_;
  if (axis_ == Axis::vertical) {
    double y = margin_;
    for (View* view : views) {
      const Size size = view->intrinsicContentSize();
      const auto* stack = dynamic_cast<const VGXSettingsStack*>(view);
      const bool fills = size.width == kNoIntrinsicMetric || (stack && stack->fillsWidth());
      const double w = fills ? width : std::min(size.width, width);
      view->setFrame(Rect(margin_, y, std::max(w, 0.0), known(size.height)));
      y += known(size.height) + spacing_;
    }
    return;
  }
  double fixed = 0;
  int flexible = 0;
  for (const View* view : views) {
    if (isFlexible(*view)) {
      ++flexible;
    } else {
      fixed += known(view->intrinsicContentSize().width);
    }
  }
  if (views.size() > 1) fixed += spacing_ * static_cast<double>(views.size() - 1);
  const double share = flexible ? std::max(width - fixed, 0.0) / flexible : 0;
  double x = margin_;
  for (View* view : views) {
    const Size size = view->intrinsicContentSize();
    const double w = isFlexible(*view) ? share : known(size.width);
    view->setFrame(Rect(x, margin_, w, known(size.height)));
    x += w + spacing_;
  }
}

}  // namespace vigilix
