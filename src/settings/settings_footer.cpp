#include "settings/settings_footer.h"

#include <algorithm>

#include "platform/defaults/user_defaults.h"

namespace vigilix::VGXSettingsFooter {

std::optional<std::string> compose(const platform::UserDefaults& defaults,
                                   const std::vector<std::string>& forcedKeys,
                                   const std::optional<std::string>& base) {
  bool forced = std::ranges::any_of(
      forcedKeys, [&](const std::string& key) { return defaults.objectIsForced(key); });
  if (!forced) return base;
  if (!base) return std::string(kManaged);
  return std::string(kManaged) + "\n" + *base;
}

}  // namespace vigilix::VGXSettingsFooter
