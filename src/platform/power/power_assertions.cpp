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

PowerAssertionCreateResult PowerAssertions::replace(PowerAssertionID held, const std::string& type,
                                                    const std::string& name) {
  if (const auto properties = copyProperties(held)) {
    const auto holds = [&](const char* key, const std::string& value) {
      const auto found = properties->find(key);
      return found != properties->end() && found->second == PropertyValue(value);
    };
    if (holds(kAssertionTypeKey, type) && holds(kAssertionNameKey, name)) {
      return {kPowerReturnSuccess, held};
    }
  }
  const PowerAssertionCreateResult created = createWithName(type, kPowerAssertionLevelOn, name);
  if (created.result == kPowerReturnSuccess && created.assertionID != 0) release(held);
  return created;
}

PowerAssertions& PowerAssertions::current() { return currentAssertions.get(); }

PowerAssertions* PowerAssertions::setCurrent(PowerAssertions* assertions) {
  return currentAssertions.install(assertions);
}

}  // namespace vigilix::platform
