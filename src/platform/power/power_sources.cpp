#include "platform/power/power_sources.h"

#include "platform/base/current_instance.h"
#include "platform/power/live_power_source.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<PowerSources> currentSources{
    &processLifetimeInstance<PowerSources, LivePowerSources>};

}  // namespace

PowerSources& PowerSources::current() { return currentSources.get(); }

PowerSources* PowerSources::setCurrent(PowerSources* sources) {
  return currentSources.install(sources);
}

}  // namespace vigilix::platform
