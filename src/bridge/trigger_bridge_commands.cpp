#include "bridge/trigger_bridge.h"

namespace vigilix {

std::optional<double> VGXTriggerBridge::acceptedDuration(double seconds, platform::Date,
                                                         std::string_view) {
  return seconds;
}
std::optional<platform::Date> VGXTriggerBridge::acceptedDate(platform::Date date, platform::Date,
                                                             std::string_view) {
  return date;
}
void VGXTriggerBridge::keepAwakeIndefinitely() {}
void VGXTriggerBridge::keepAwakeForDuration(double) {}
void VGXTriggerBridge::keepAwakeUntil(platform::Date) {}
void VGXTriggerBridge::keepAwakeForDefaultDuration() {}
void VGXTriggerBridge::extendManualSessionBy(double) {}
void VGXTriggerBridge::extendOrRestartFifteenMinutes() {}
void VGXTriggerBridge::stopKeepingAwake() {}
void VGXTriggerBridge::toggleKeepAwake() {}
void VGXTriggerBridge::endManualSession() {}
void VGXTriggerBridge::pauseTriggersForOneHour() {}
void VGXTriggerBridge::resumeTriggers() {}
void VGXTriggerBridge::pauseOrResumeTriggers() {}
void VGXTriggerBridge::setAutomationEnabled(bool) {}
void VGXTriggerBridge::reloadConfiguration() {}
void VGXTriggerBridge::tickNow() {}
void VGXTriggerBridge::handleWakeOrClockChange() {}
void VGXTriggerBridge::presentCustomDurationPicker() {}
void VGXTriggerBridge::presentUntilPicker() {}
void VGXTriggerBridge::presentDownloadPanel() {}
void VGXTriggerBridge::beginManualSession() {}
void VGXTriggerBridge::stopPath() {}
void VGXTriggerBridge::startIndefiniteSession(platform::Date) {}

}  // namespace vigilix
