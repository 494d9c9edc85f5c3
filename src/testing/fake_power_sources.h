#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/power/power_sources.h"

namespace vigilix::testing {

// Power sources a test lays out. Starts as a machine on AC power without a
// battery. Changes reach observers on the main run loop in their mode, so
// they arrive at the next run of the test platform.
class FakePowerSources : public platform::PowerSources {
 public:
  FakePowerSources();
  ~FakePowerSources() override;

  std::optional<std::vector<platform::PowerSourceReading>> readPowerSources() const override;
  std::optional<std::string> providingPowerSourceType() const override;
  platform::BatteryWarningLevel batteryWarningLevel() const override { return warningLevel_; }
  [[nodiscard]] platform::ObserverHandle addChangeObserver(platform::RunLoopMode mode,
                                                           std::function<void()> handler) override;

  // None makes the information unreadable.
  void setReadings(std::optional<std::vector<platform::PowerSourceReading>> readings);
  void setProvidingPowerSourceType(std::optional<std::string> type);
  void setBatteryWarningLevel(platform::BatteryWarningLevel level) { warningLevel_ = level; }
  // Later change sources fail to be created (addChangeObserver gives null).
  void setChangeSourceCreationFails(bool fails);
  // Tells every observer that the power sources changed.
  void notifyChange();
  // Sets the readings and the providing type, then notifies.
  void change(std::vector<platform::PowerSourceReading> readings, std::string providingType);

  std::size_t observerCount() const;

  // An internal battery's reading.
  static platform::PowerSourceReading internalBattery(std::int64_t currentCapacity,
                                                      std::int64_t maxCapacity, bool onBattery,
                                                      bool isCharging = false,
                                                      bool isCharged = false);

 private:
  struct Observer {
    platform::RunLoopMode mode;
    std::function<void()> handler;
  };
  struct Registry;

  std::optional<std::vector<platform::PowerSourceReading>> readings_;
  std::optional<std::string> providingType_;
  platform::BatteryWarningLevel warningLevel_ = platform::BatteryWarningLevel::None;
  bool creationFails_ = false;
  std::shared_ptr<Registry> registry_;
};

}  // namespace vigilix::testing
