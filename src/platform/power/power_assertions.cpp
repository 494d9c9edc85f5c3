#include "platform/power/power_assertions.h"

#include <unistd.h>

#include <atomic>

#include "platform/power/in_process_power_assertions.h"

namespace vigilix::platform {

namespace {

std::atomic<PowerAssertions*> installedAssertions{nullptr};

PowerAssertions& liveAssertions() {
  static InProcessPowerAssertions* registry = new InProcessPowerAssertions();
  return *registry;
}

}  // namespace

std::int32_t PowerAssertions::currentProcessID() { return static_cast<std::int32_t>(::getpid()); }

PowerAssertions& PowerAssertions::current() {
  PowerAssertions* installed = installedAssertions.load();
  return installed ? *installed : liveAssertions();
}

PowerAssertions* PowerAssertions::setCurrent(PowerAssertions* assertions) {
  return installedAssertions.exchange(assertions);
}

}  // namespace vigilix::platform
