#include "bridge/trigger_bridge.h"

namespace vigilix {

bool VGXTriggerBridge::isAwake() const { return false; }
bool VGXTriggerBridge::isBlocked() const { return false; }
bool VGXTriggerBridge::isHeatBlocked() const { return false; }
bool VGXTriggerBridge::isBatteryBlocked() const { return false; }
bool VGXTriggerBridge::isLowPowerModeBlocked() const { return false; }
bool VGXTriggerBridge::isAutomationEnabled() const { return false; }
bool VGXTriggerBridge::isPaused() const { return false; }
bool VGXTriggerBridge::isManualSession() const { return false; }
std::optional<platform::Date> VGXTriggerBridge::manualFireDate() const { return std::nullopt; }
std::string VGXTriggerBridge::primaryStatusTitle() const { return {}; }
std::optional<std::string> VGXTriggerBridge::secondaryStatusTitle() const { return std::nullopt; }
std::string VGXTriggerBridge::headerReasonLine() const { return {}; }
std::string VGXTriggerBridge::assertionReason() const { return {}; }
std::string VGXTriggerBridge::keepAwakeMenuTitle() const { return {}; }
std::string VGXTriggerBridge::pauseMenuTitle() const { return {}; }
std::string VGXTriggerBridge::appDisplayName(const std::string& bundleIdentifier) {
  return bundleIdentifier;
}

}  // namespace vigilix
