#include "policy/policy_gate.h"

#include "policy/policy_table.h"

namespace vigilix {

bool VGXPolicyGate::isForced(const std::string& key) {
  return isForced(platform::UserDefaults::standard(), key);
}

bool VGXPolicyGate::isForced(const platform::UserDefaults& defaults, const std::string& key) {
  return defaults.objectIsForced(key);
}

bool VGXPolicyGate::canWriteKey(const std::string& key) { return !isForced(key); }

bool VGXPolicyGate::canWriteKey(const platform::UserDefaults& defaults, const std::string& key) {
  return !isForced(defaults, key);
}

namespace VGXPolicyRuntime {

std::optional<bool> enforcedBool(const std::string& key) {
  return enforcedBool(platform::UserDefaults::standard(), key);
}

std::optional<bool> enforcedBool(const platform::UserDefaults& defaults, const std::string& key) {
  const VGXPolicyKey* row = VGXPolicy::key(key);
  if (!row || row->type != VGXPolicyValueType::Bool) return std::nullopt;
  const VGXPolicy::Value inForce = defaults.object(key);
  if (!defaults.objectIsForced(key)) return VGXPolicy::boolValue(inForce);
  // The value in force is the managed one; the user's own lies beneath it.
  return VGXPolicy::boolValue(
      VGXPolicy::stricterValue(*row, inForce, defaults.userValue(key), std::nullopt));
}

}  // namespace VGXPolicyRuntime
}  // namespace vigilix
