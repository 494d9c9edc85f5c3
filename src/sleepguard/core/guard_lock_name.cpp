#include "sleepguard/core/guard_lock_name.h"

#include <array>
#include <utility>

#include "platform/base/raw_values.h"

namespace vigilix {

namespace {

constexpr std::pair<VGXGuardLockName, std::string_view> kLockNameRaw[] = {
    {VGXGuardLockName::guardLock, "guard.lock"},
    {VGXGuardLockName::maintenance, "maintenance.lock"}};

}  // namespace

std::string_view rawValue(VGXGuardLockName name) {
  return platform::rawValueIn(kLockNameRaw, name);
}

std::optional<VGXGuardLockName> guardLockNameFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXGuardLockName>(kLockNameRaw, raw);
}

}  // namespace vigilix
