#pragma once

#include <optional>
#include <string_view>

namespace vigilix {

// The lock files of the state directory.
enum class VGXGuardLockName { guardLock, maintenance };

// "guard.lock", "maintenance.lock".
std::string_view rawValue(VGXGuardLockName name);
// No value for any other text.
std::optional<VGXGuardLockName> guardLockNameFromRawValue(std::string_view raw);

}  // namespace vigilix
