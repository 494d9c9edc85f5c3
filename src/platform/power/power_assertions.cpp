#include "platform/power/power_assertions.h"

#include <unistd.h>

#include "platform/base/current_instance.h"
#include "platform/power/logind_power_assertions.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<PowerAssertions> currentAssertions{
    &processLifetimeInstance<PowerAssertions, LogindPowerAssertions>};

}  // namespace

std::int32_t PowerAssertions::currentProcessID() { return static_cast<std::int32_t>(::getpid()); }

PowerAssertions& PowerAssertions::current() { return currentAssertions.get(); }

PowerAssertions* PowerAssertions::setCurrent(PowerAssertions* assertions) {
  return currentAssertions.install(assertions);
}

}  // namespace vigilix::platform
