#include "bridge/trigger_bridge.h"

namespace vigilix {

TriggerConfiguration VGXTriggerBridge::triggerConfiguration() const {
  return VGXTriggerConfigurationStore::load(defaults_);
}
void VGXTriggerBridge::makeTriggerMonitor(const TriggerConfiguration&) {}
void VGXTriggerBridge::setFocusMode(VGXFocusMode) {}

}  // namespace vigilix
