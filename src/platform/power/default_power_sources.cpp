#include "platform/power/default_power_sources.h"

namespace vigilix::platform {

namespace {

class SilentToken : public ObserverToken {};

}  // namespace

std::optional<PropertyArray> DefaultPowerSources::copyPowerSourceDescriptions() const {
  return PropertyArray{};
}

std::optional<std::string> DefaultPowerSources::providingPowerSourceType() const {
  return std::string(kPowerSourceACPower);
}

ObserverHandle DefaultPowerSources::addChangeObserver(RunLoopMode /*mode*/,
                                                      std::function<void()> /*handler*/) {
  return std::make_unique<SilentToken>();
}

}  // namespace vigilix::platform
