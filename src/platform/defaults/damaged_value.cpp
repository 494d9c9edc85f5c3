#include "platform/defaults/damaged_value.h"

#include "platform/base/date_format.h"

namespace vigilix::platform {

std::string keepDamagedValueAside(UserDefaults& defaults, const std::string& key,
                                  const PropertyValue& value, Date at) {
  const std::string base = key + ".damaged-" + iso8601Text(at);
  std::string aside = base;
  for (int attempt = 2; defaults.object(aside); ++attempt) {
    aside = base + "-" + std::to_string(attempt);
  }
  defaults.set(aside, value);
  return aside;
}

}  // namespace vigilix::platform
