#include "bridge/trigger_bridge.h"

namespace vigilix {

void VGXTriggerBridge::persistAndPublish(platform::Date) {}
void VGXTriggerBridge::scheduleTickTimer(platform::Date) {}
void VGXTriggerBridge::tick() {}
void VGXTriggerBridge::applyRestartOnActivity(platform::Date) {}
void VGXTriggerBridge::applyHeatRule(VGXThermalLevel, platform::Date) {}
VGXBatterySample VGXTriggerBridge::samplePowerSource() { return {}; }
VGXThermalLevel VGXTriggerBridge::currentThermalLevel() { return VGXThermalLevel::nominal; }
void VGXTriggerBridge::defaultsDidChange() {}
void VGXTriggerBridge::handleDefaultsChange() {}
void VGXTriggerBridge::thermalStateDidChange() {}
std::optional<platform::Date> VGXTriggerBridge::tickFireDate() const { return std::nullopt; }

}  // namespace vigilix
