#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/power/power_sources.h"

namespace vigilix::platform {

// The power sources as <root>/sys/class/power_supply lists them.
//
// A supply of type "Mains" or "USB" whose "online" is 1 is the adapter. Each
// battery of the machine itself (not a device's, such as a mouse's, whose
// "scope" is "Device"; not one marked absent) gives one internal battery
// reading: its current capacity in percent (from "capacity", else from the
// energy or charge now and full) with a maximum of 100, whether the machine
// runs on battery, and whether it is charging or charged (from "status").
// The warning level is the lowest "capacity_level" of those batteries:
// "Critical" is Final, "Low" Early, anything else None.
// The providing source is "AC Power" when an adapter is online or when there
// is no battery at all, otherwise "Battery Power". When no adapter is listed
// at all, a battery "Charging", "Full" or "Not charging" (and none
// "Discharging") means "AC Power". A power-supply folder that cannot be
// listed gives no readings (the sources cannot be read), while the
// providing source stays "AC Power". Charges are not clamped: a battery
// reporting more than 100 % says so.
//
// Linux gives no change notice through these files, so they are read again
// every kChangePollInterval seconds on one main run loop timer shared by every
// change observer, and each observer is called in its own mode when the
// reading differs. The sources must outlive their observers.
class LivePowerSources final : public PowerSources {
 public:
  static constexpr double kChangePollInterval = 30;

  // The machine under the file-system root (FileSystem::root()).
  LivePowerSources();
  explicit LivePowerSources(std::filesystem::path root);

  std::optional<std::vector<PowerSourceReading>> readPowerSources() const override;
  std::optional<std::string> providingPowerSourceType() const override;
  BatteryWarningLevel batteryWarningLevel() const override;
  [[nodiscard]] ObserverHandle addChangeObserver(RunLoopMode mode,
                                                 std::function<void()> handler) override;

 private:
  struct Reading {
    bool listed = false;
    bool adapterOnline = false;
    std::vector<PowerSourceReading> batteries;
    BatteryWarningLevel warningLevel = BatteryWarningLevel::None;
    bool operator==(const Reading&) const = default;
  };
  Reading read() const;
  struct Poll;

  std::filesystem::path root_;
  std::shared_ptr<Poll> poll_;  // main thread only
};

}  // namespace vigilix::platform
