#pragma once

#include <memory>
#include <vector>

#include "platform/ui/check_box.h"
#include "platform/ui/stack_view.h"

namespace vigilix {

// A line of the Triggers pane: its views side by side, centred vertically.
inline std::shared_ptr<platform::StackView> triggersPaneLine(
    std::vector<std::shared_ptr<platform::View>> views) {
  auto row = platform::StackView::make(platform::StackView::Orientation::Horizontal, views);
  row->setAlignment(platform::StackView::Alignment::Center);
  return row;
}

inline platform::ControlStateValue checkState(bool on) {
  return on ? platform::ControlStateValue::On : platform::ControlStateValue::Off;
}

}  // namespace vigilix
