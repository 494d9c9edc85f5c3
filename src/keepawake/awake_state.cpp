#include "keepawake/awake_state.h"

namespace vigilix {

std::optional<VGXThermalLevel> thermalLevelFromRawValue(std::int64_t rawValue) {
  if (rawValue < 0 || rawValue > 3) return std::nullopt;
  return static_cast<VGXThermalLevel>(rawValue);
}

}  // namespace vigilix
