#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vigilix {

namespace platform {
class UserDefaults;
}

// The footers that tell the user why a control is disabled.
namespace VGXSettingsFooter {

inline constexpr const char* kManaged = "Managed by your organization.";

// "Managed by your organization." when any of `forcedKeys` is forced in
// `defaults`, with a line break and `base` behind it when there is a base;
// `base` unchanged (possibly none) when no key is forced.
std::optional<std::string> compose(const platform::UserDefaults& defaults,
                                   const std::vector<std::string>& forcedKeys,
                                   const std::optional<std::string>& base);

inline constexpr const char* combinedSafety =
    "Vigilix lets your computer sleep while it's very hot or the battery is low, then continues "
    "when it's safe.";
inline constexpr const char* dimmedByChatApps = "Not available while Keep Chat Apps Active is on";

}  // namespace VGXSettingsFooter

}  // namespace vigilix
