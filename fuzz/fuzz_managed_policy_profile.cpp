// Any bytes in a managed closed-lid profile either make it invalid or force values inside
// their ranges, and a combined policy never leaves the ranges either.
#include <cstdint>
#include <cstdlib>

#include "sleepguard/core/managed_policy_combiner.h"
#include "sleepguard/core/managed_policy_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vigilix;
  const auto profile = VGXProfileRead::data(platform::Bytes(data, data + size));
  const auto forced = interpretProfile(profile);
  const auto policy = VGXGuardPolicyCombiner::combine(VGXUserLidSettings::defaultSettings(),
                                                      profile, VGXProfileRead::absent());
  if (forced.has_value() != policy.has_value()) std::abort();
  if (!forced) return 0;
  if (forced->batteryFloorPercent &&
      (*forced->batteryFloorPercent < 20 || *forced->batteryFloorPercent > 60)) {
    std::abort();
  }
  if (forced->batteryCapHours && (*forced->batteryCapHours < 1 || *forced->batteryCapHours > 6)) {
    std::abort();
  }
  if (policy->disabled != forced->disabled || policy->batteryFloorPercent < 30 ||
      policy->batteryFloorPercent > 60 || policy->batteryCapSeconds < 3600 ||
      policy->batteryCapSeconds > 3 * 3600 || policy->totalCapSeconds != 86400) {
    std::abort();
  }
  return 0;
}
