#pragma once

#include <filesystem>
#include <utility>

#include "platform/base/test_settings.h"
#include "platform/power/thermal_state.h"

namespace vigilix::platform {

// The machine's thermal state from the sensors under a root folder
// (thermalStateOfSensors), read afresh at each call; any thread.
//
// Linux gives no notice of a change through these files, so each follower
// has a main run loop timer (common modes) that reads them every
// kChangePollInterval seconds (or as often as a test of the built program
// sets) and posts the change notice, from the main thread, when the state
// differs from the last one it saw. With no follower nothing is read. The
// monitor must outlive its followers.
class LiveThermalMonitor final : public ThermalMonitor {
 public:
  static constexpr double kChangePollInterval = 10;

  // The machine under the file-system root (FileSystem::root()).
  LiveThermalMonitor();
  explicit LiveThermalMonitor(std::filesystem::path root) : root_(std::move(root)) {}

  ThermalState thermalState() const override;
  [[nodiscard]] ObserverHandle followChanges(ThermalState known) override;

 private:
  std::filesystem::path root_;
  double pollInterval_ = testSeconds("VIGILIX_TEST_THERMAL_POLL").value_or(kChangePollInterval);
};

}  // namespace vigilix::platform
