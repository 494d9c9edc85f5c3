#include "hub/trigger_bridge.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "policy/policy_gate.h"
#include "policy/policy_table.h"

namespace vigilix {

using platform::weakly;
namespace {

constexpr const char* kDisableAgentHooksKey = "VGXDisableAgentHooks";
constexpr const char* kDisableChatPresenceKey = "VGXDisableChatPresence";

const char* text(bool flag) { return flag ? "true" : "false"; }

bool enforcedTrue(const platform::UserDefaults& defaults, const char* key) {
  return VGXPolicyRuntime::enforcedBool(defaults, key).value_or(false);
}

}  // namespace

bool stopWhenHotSetting(const platform::UserDefaults& defaults) {
  const std::optional<platform::PropertyValue> stored = defaults.object("VGXStopWhenHot");
  if (!stored) return true;
  const bool* flag = std::get_if<bool>(&stored->value);
  return flag ? *flag : true;
}

bool VGXTriggerBridge::wantsRestartOnActivity() const {
  return defaults_.boolValue("VGXRestartTimerOnActivity").value_or(false) && !isPresencePosting();
}

std::string VGXTriggerBridge::policySignature() const {
  std::string signature;
  for (const VGXPolicyKey& key : VGXPolicy::keys()) {
    if (!signature.empty()) signature += ",";
    signature += key.name;
    signature += "=";
    if (!defaults_.objectIsForced(key.name)) {
      signature += "-";
    } else if (auto value = defaults_.object(key.name)) {
      signature += platform::debugDescription(*value);
    } else {
      signature += "nil";
    }
  }
  signature += std::string("|hot:") + text(stopWhenHotSetting(defaults_));
  signature += std::string("|restart:") + text(wantsRestartOnActivity());
  signature += std::string("|hooks:") + text(enforcedTrue(defaults_, kDisableAgentHooksKey));
  signature += std::string("|presence:") + text(isPresencePosting());
  signature +=
      std::string("|presencePolicy:") + text(enforcedTrue(defaults_, kDisableChatPresenceKey));
  return signature;
}

void VGXTriggerBridge::applyPolicy(platform::Date now) {
  if (!platform::DispatchQueue::isMainThread()) {
    later([now](VGXTriggerBridge& bridge) { bridge.applyPolicy(now); });
    return;
  }
  std::string signature = policySignature();
  if (signature == lastPolicySignature_) return;
  lastPolicySignature_ = std::move(signature);
  controller_.setStopWhenHot(stopWhenHotSetting(defaults_), now);
  controller_.setRestartOnActivity(wantsRestartOnActivity());
  if (enforcedTrue(defaults_, kDisableAgentHooksKey)) controller_.setAgentReasons({});
  synchroniseAutomation();
  followTriggerConfiguration(false);
  updatePowerInputs(now);
  if (neighbours_.policy) neighbours_.policy->noteApplied();
  persistAndPublish(now);
}

void VGXTriggerBridge::setIsPresencePosting(bool posting) {
  const bool was = isPresencePosting_.exchange(posting);
  if (was == posting) return;
  auto react = weakly(this, [ended = was && !posting](VGXTriggerBridge& bridge) {
    const platform::Date now = bridge.now();
    // Input up to this moment was the pointer being moved for the user.
    if (ended) bridge.controller_.setPresenceEndedAt(now);
    bridge.applyPolicy(now);
  });
  if (platform::DispatchQueue::isMainThread()) {
    react();
  } else {
    platform_.mainQueue->async(std::move(react));
  }
}

void VGXTriggerBridge::policyDidChange() {
  if (isApplyingDefaults_) return;
  later([](VGXTriggerBridge& bridge) {
    if (bridge.isApplyingDefaults_) return;
    bridge.applyPolicy(bridge.now());
    if (const auto& hook = slots().policyChangeHook) hook();
  });
}

}  // namespace vigilix
