#include "sleepguard/core/guard_lock_name.h"

namespace vigilix {

std::string rawValue(VGXGuardLockName name) {
  switch (name) {
    case VGXGuardLockName::guardLock:
      return "guard.lock";
    case VGXGuardLockName::maintenance:
      return "maintenance.lock";
  }
  return {};
}

std::optional<VGXGuardLockName> guardLockNameFromRawValue(std::string_view raw) {
  for (auto name : {VGXGuardLockName::guardLock, VGXGuardLockName::maintenance}) {
    if (rawValue(name) == raw) return name;
  }
  return std::nullopt;
}

}  // namespace vigilix
