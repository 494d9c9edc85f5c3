#pragma once

#include "keepawake/awake_state.h"
#include "platform/power/thermal_state.h"

namespace vigilix {

// One battery reading: the first internal battery of the power sources.
struct VGXBatterySample {
  bool hasBattery = false;
  bool onBatteryPower = false;
  double percent = -1;  // 0...100, -1 when unknown

  bool operator==(const VGXBatterySample&) const = default;
};

// A fresh reading of the machine's power sources.
VGXBatterySample samplePowerSource();

// The system's thermal state; a raw value above critical counts as serious.
platform::ThermalState currentThermalLevel();

}  // namespace vigilix
