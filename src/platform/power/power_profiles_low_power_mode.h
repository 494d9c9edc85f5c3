#pragma once

#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "platform/power/low_power_mode.h"

namespace vigilix::platform {

// Low Power Mode as power-profiles-daemon's ActiveProfile ("power-saver"),
// on the system bus. It reads the profile once and follows the daemon's
// PropertiesChanged and its comings and goings, posting
// kPowerStateDidChangeNotification on the default centre (main thread) at
// each change of the flag. Without a system bus or the daemon the mode reads
// as off (the log says why once). The bus work runs on the main loop; any
// thread may read the flag.
class PowerProfilesLowPowerMode final : public LowPowerMode {
 public:
  // Starts watching at the main queue's next turn; off until the daemon answers.
  PowerProfilesLowPowerMode();
  ~PowerProfilesLowPowerMode() override;
  PowerProfilesLowPowerMode(const PowerProfilesLowPowerMode&) = delete;
  PowerProfilesLowPowerMode& operator=(const PowerProfilesLowPowerMode&) = delete;

  bool isLowPowerModeEnabled() const override;

 private:
  struct Watch;
  std::shared_ptr<Watch> watch_;
};

}  // namespace vigilix::platform
