#pragma once

namespace vigilix::platform {

// Posted on the default centre when Low Power Mode turns on or off.
inline constexpr const char* kPowerStateDidChangeNotification =
    "NSProcessInfoPowerStateDidChangeNotification";

// The system's Low Power Mode flag.
class LowPowerMode {
 public:
  virtual ~LowPowerMode() = default;
  virtual bool isLowPowerModeEnabled() const = 0;

  // Live: power-profiles-daemon's power-saver profile (PowerProfilesLowPowerMode);
  // tests install their own.
  static LowPowerMode& current();
  // Returns the one it replaced (nullptr: the live one).
  static LowPowerMode* setCurrent(LowPowerMode* mode);
};

}  // namespace vigilix::platform
