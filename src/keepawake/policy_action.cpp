#include "keepawake/policy_action.h"

#include "core/dzl_keys.h"
#include "platform/base/localized.h"
#include "policy/policy_gate.h"

namespace vigilix::VGXKeepAwakeActionPolicy {

std::optional<std::string> refusalReason(bool heatBlocked) {
  return refusalReason(platform::UserDefaults::standard(), heatBlocked);
}

std::optional<std::string> refusalReason(const platform::UserDefaults& defaults, bool heatBlocked) {
  if (heatBlocked) {
    return platform::localized("Paused because your computer is hot",
                               "Dialog when keep-awake is refused because the computer is hot");
  }
  return managedFooter(defaults);
}

std::optional<std::string> managedFooter() {
  return managedFooter(platform::UserDefaults::standard());
}

std::optional<std::string> managedFooter(const platform::UserDefaults& defaults) {
  if (!VGXPolicyGate::isForced(defaults, kDZLTimeIntervalKey)) return std::nullopt;
  return platform::localized("Managed by your organization.",
                             "Settings footer when a control is forced by policy");
}

}  // namespace vigilix::VGXKeepAwakeActionPolicy
