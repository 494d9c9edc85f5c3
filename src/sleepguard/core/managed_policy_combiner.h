#pragma once

#include <cstdint>
#include <optional>

#include "sleepguard/core/guard_values.h"
#include "sleepguard/core/managed_policy_profile.h"

namespace vigilix {

// What the user chose in the application, sent with each hold request; checked only when a
// policy is combined.
struct VGXUserLidSettings {
  std::int64_t batteryFloorPercent = 30;
  std::int64_t batteryCapHours = 3;

  // 30 % and 3 hours.
  static VGXUserLidSettings defaultSettings() { return {}; }
  bool operator==(const VGXUserLidSettings&) const = default;
};

// The longest any hold may run in all, in seconds (24 hours).
inline constexpr std::int64_t kVGXTotalCapSeconds = 86400;

struct VGXGuardPolicyCombiner {
  // The stricter of the user's settings, the machine-wide profile and the user's profile: the
  // highest floor, the shortest cap, disabled when either profile disables. No policy when
  // either profile is unreadable or malformed. A user cap other than 1, 2, 3 or 6 hours is 3.
  static std::optional<VGXGuardPolicy> combine(const VGXUserLidSettings& settings,
                                               const VGXProfileRead& machine,
                                               const VGXProfileRead& user);
};

}  // namespace vigilix
