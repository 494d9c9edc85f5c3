#include "settings/settings_content_view_controller.h"

#include "settings/settings_layout.h"

namespace vigilix {

DZLSettingsContentViewController::DZLSettingsContentViewController()
    : view_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)) {
  view_->setEdgeInsets({20, 30, 20, 30});
  view_->setSpacing(10);
  preferredContentSize_ = {VGXSettingsLayout::width, VGXSettingsLayout::minHeight};
}

void DZLSettingsContentViewController::viewWillAppear() {
  if (resizesView()) preferredContentSize_ = view_->fittingSize();
}

std::optional<platform::Image> DZLSettingsContentViewController::symbol(const std::string& name) {
  return platform::Image::systemSymbol(name, std::nullopt);
}

}  // namespace vigilix
