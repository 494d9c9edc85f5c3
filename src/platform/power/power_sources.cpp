#include "platform/power/power_sources.h"

#include <atomic>

#include "platform/power/default_power_sources.h"

namespace vigilix::platform {

namespace {

std::atomic<PowerSources*> installedSources{nullptr};

PowerSources& liveSources() {
  static DefaultPowerSources* sources = new DefaultPowerSources();
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
