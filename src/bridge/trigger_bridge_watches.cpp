#include "bridge/trigger_bridge.h"

namespace vigilix {

bool VGXTriggerBridge::watchFileAt(const std::string&) { return false; }

bool VGXTriggerBridge::watchAppWithProcessIdentifier(std::int32_t) { return false; }

bool VGXTriggerBridge::watchProcessWithPid(std::int32_t, const std::string&) { return false; }

void VGXTriggerBridge::unwatchProcessWithPid(std::int32_t) {}

void VGXTriggerBridge::cancelWatchWithIDString(const std::string&) {}

VGXWatchStore& VGXTriggerBridge::watchStore() {
  if (!watchStore_) {
    watchStore_ = std::make_unique<VGXWatchStore>(defaults_);
    watchStore_->load();
  }
  return *watchStore_;
}

void VGXTriggerBridge::endAllWatches() {}

void VGXTriggerBridge::pruneWatchesAfterSettingsChange() {}

void VGXTriggerBridge::removeWatch(const platform::UUID&) {}

void VGXTriggerBridge::restoreWatches() {}

void VGXTriggerBridge::watchesDidChange() {}

void VGXTriggerBridge::evaluateWatches() {}

std::vector<TriggerReason> VGXTriggerBridge::watchReasons() const { return {}; }

}  // namespace vigilix
