#pragma once

#include <functional>

#include "keepawake/awake_state.h"
#include "keepawake/power_readings.h"
#include "platform/base/observer_token.h"

namespace vigilix {

// The machine's battery, Low Power Mode and heat, as the hub reads them.
class HubPowerInputs {
 public:
  virtual ~HubPowerInputs() = default;
  virtual VGXBatterySample battery() = 0;
  virtual bool lowPowerMode() = 0;
  virtual platform::ThermalState thermalLevel() = 0;
  // Calls `changed` on the main thread at each change of the thermal state
  // until the handle goes.
  virtual platform::ObserverHandle observeThermalChanges(std::function<void()> changed) = 0;
  // Follows the thermal state closely, from `known`, while the handle lives.
  virtual platform::ObserverHandle followThermalState(platform::ThermalState known) = 0;
};

}  // namespace vigilix
