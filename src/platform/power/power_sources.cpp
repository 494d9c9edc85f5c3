#include "platform/power/power_sources.h"

#include <atomic>

#include "platform/power/live_power_source.h"

namespace vigilix::platform {

namespace {

std::atomic<PowerSources*> installedSources{nullptr};

PowerSources& liveSources() {
  static LivePowerSources* sources = new LivePowerSources();
  return *sources;
}

}  // namespace

PowerSources& PowerSources::current() {
  PowerSources* installed = installedSources.load();
  return installed ? *installed : liveSources();
}

PowerSources* PowerSources::setCurrent(PowerSources* sources) {
  return installedSources.exchange(sources);
}

}  // namespace vigilix::platform
