#pragma once

#include <optional>
#include <string>

#include "platform/defaults/user_defaults.h"

namespace vigilix {

// Why a keep-awake request from outside the menu is refused. The
// one-argument forms use the standard user defaults.
namespace VGXKeepAwakeActionPolicy {

// "Paused because your computer is hot" while heat-blocked; otherwise "Managed by
// your organization." while the default duration is forced; otherwise none.
std::optional<std::string> refusalReason(bool heatBlocked);
std::optional<std::string> refusalReason(const platform::UserDefaults& defaults, bool heatBlocked);

// "Managed by your organization." while the default duration is forced.
std::optional<std::string> managedFooter();
std::optional<std::string> managedFooter(const platform::UserDefaults& defaults);

}  // namespace VGXKeepAwakeActionPolicy
}  // namespace vigilix
