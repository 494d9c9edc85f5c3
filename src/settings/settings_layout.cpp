#include "settings/settings_layout.h"

#include <algorithm>

namespace vigilix {

double VGXSettingsLayout::maxHeight(std::optional<double> mainScreenVisibleHeight) {
  if (!mainScreenVisibleHeight) return 820;
  return std::clamp(*mainScreenVisibleHeight - 80, minHeight, 860.0);
}

double VGXSettingsLayout::clampedHeight(double wanted,
                                        std::optional<double> mainScreenVisibleHeight) {
  return std::clamp(wanted, minHeight, maxHeight(mainScreenVisibleHeight));
}

}  // namespace vigilix
