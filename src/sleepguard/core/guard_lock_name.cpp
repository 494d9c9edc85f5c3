#include "sleepguard/core/guard_lock_name.h"

#include <array>

#include "sleepguard/core/guard_record_fields.h"

namespace vigilix {

namespace {

constexpr std::array<std::string_view, 2> kLockNameRaw = {"guard.lock", "maintenance.lock"};

}  // namespace

std::string_view rawValue(VGXGuardLockName name) {
  return kLockNameRaw.at(static_cast<std::size_t>(name));
}

std::optional<VGXGuardLockName> guardLockNameFromRawValue(std::string_view raw) {
  return guard_fields::fromRawTable<VGXGuardLockName>(kLockNameRaw, raw);
}

}  // namespace vigilix
