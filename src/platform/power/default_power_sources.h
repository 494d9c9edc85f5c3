#pragma once

#include "platform/power/power_sources.h"

namespace vigilix::platform {

// A machine on mains power without any battery: no power source is listed,
// the providing type is "AC Power" and nothing ever changes.
class DefaultPowerSources : public PowerSources {
 public:
  std::optional<PropertyArray> copyPowerSourceDescriptions() const override;
  std::optional<std::string> providingPowerSourceType() const override;
  [[nodiscard]] ObserverHandle addChangeObserver(RunLoopMode mode,
                                                 std::function<void()> handler) override;
};

}  // namespace vigilix::platform
