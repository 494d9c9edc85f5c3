#pragma once

#include <string>

#include "platform/base/date.h"
#include "platform/base/property_value.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix::platform {

// Keeps a stored value that could not be read, before something replaces it:
// stores `value` under "<key>.damaged-<UTC time of at>" ("-2", "-3", ... when
// that key is taken) and answers the key used. Same thread rule as `defaults`.
std::string keepDamagedValueAside(UserDefaults& defaults, const std::string& key,
                                  const PropertyValue& value, Date at);

}  // namespace vigilix::platform
