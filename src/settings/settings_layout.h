#pragma once

#include <optional>

namespace vigilix {

// The size rules every settings pane and the window share, in points.
struct VGXSettingsLayout {
  static constexpr double width = 650;
  static constexpr double minHeight = 160;
  // The main screen's visible height less 80, kept within 160 ... 860; 820
  // without a main screen. Read afresh each time: screens come and go.
  static double maxHeight(std::optional<double> mainScreenVisibleHeight);
  // A pane's wanted content height kept within the bounds above.
  static double clampedHeight(double wanted, std::optional<double> mainScreenVisibleHeight);
};

}  // namespace vigilix
