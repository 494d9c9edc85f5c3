#pragma once

#include <memory>
#include <optional>

#include "platform/power/lid_state.h"
#include "platform/power/low_power_mode.h"
#include "platform/power/thermal_state.h"

namespace vigilix::testing {

// Low Power Mode a test switches; each change is posted on the default centre.
class FakeLowPowerMode : public platform::LowPowerMode {
 public:
  bool isLowPowerModeEnabled() const override { return enabled_; }
  // Posts the change notification when the flag changes.
  void setLowPowerModeEnabled(bool enabled);

 private:
  bool enabled_ = false;
};

// A thermal state a test sets; each change is posted on the default centre,
// whether or not anyone follows the changes. Any raw value can be set, also
// one above Critical.
class FakeThermalMonitor : public platform::ThermalMonitor {
 public:
  platform::ThermalState thermalState() const override { return state_; }
  // Posts the change notification when the state changes.
  void setThermalState(platform::ThermalState state);

  [[nodiscard]] platform::ObserverHandle followChanges(platform::ThermalState known) override;
  // How many handles from followChanges are alive: where the live monitor would poll.
  int followers() const { return *followers_; }

 private:
  platform::ThermalState state_ = platform::ThermalState::Nominal;
  std::shared_ptr<int> followers_ = std::make_shared<int>(0);
};

// A lid a test opens and closes; none: no lid, or unreadable.
class FakeLidState : public platform::LidState {
 public:
  std::optional<bool> isLidClosed() const override { return closed; }
  std::optional<bool> closed;
};

}  // namespace vigilix::testing
