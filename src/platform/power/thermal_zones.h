#pragma once

#include <filesystem>
#include <utility>

#include "platform/power/thermal_state.h"

namespace vigilix::platform {

// The machine's thermal state from the zones of <root>/sys/class/thermal
// (thermal_zone*/temp and trip_point_<n>_{type,temp}, millidegrees Celsius),
// read afresh at each call; any thread.
//
// A zone is at its critical trip's level from 5 °C below that trip (the
// kernel powers off at the trip itself, so the level must show before it),
// serious from its lowest passive or hot trip, and fair from 10 °C below the
// first of those two points it has. The machine's state is its hottest
// zone's. Zones whose temperature cannot be read, trips at 0 °C or below
// (unset), active (fan) trips, and zones without trips say nothing; no zones
// at all means nominal.
ThermalState thermalStateOfZones(const std::filesystem::path& root = "/");

// The live monitor: thermalStateOfZones at each read. Linux gives no notice
// of a change through these files, so none is posted; readers poll.
class LiveThermalMonitor final : public ThermalMonitor {
 public:
  explicit LiveThermalMonitor(std::filesystem::path root = "/") : root_(std::move(root)) {}
  ThermalState thermalState() const override { return thermalStateOfZones(root_); }

 private:
  std::filesystem::path root_;
};

}  // namespace vigilix::platform
