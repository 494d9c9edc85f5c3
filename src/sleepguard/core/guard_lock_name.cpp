#include "sleepguard/core/guard_lock_name.h"

#include <array>

#include "sleepguard/core/guard_raw_text.h"

namespace vigilix {

namespace {

constexpr std::array<std::string_view, 2> kLockNameRaw = {"guard.lock", "maintenance.lock"};

}  // namespace

std::string_view rawValue(VGXGuardLockName name) {
  return kLockNameRaw.at(static_cast<std::size_t>(name));
}

std::optional<VGXGuardLockName> guardLockNameFromRawValue(std::string_view raw) {
  return guard_raw_text::fromTable<VGXGuardLockName>(kLockNameRaw, raw);
}

}  // namespace vigilix
