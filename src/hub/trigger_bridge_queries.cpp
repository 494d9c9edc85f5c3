#include <climits>

#include "hub/trigger_bridge.h"
#include "menubar/awake_status_text.h"
#include "menubar/menu_header_model.h"
#include "platform/runloop/clock.h"

namespace vigilix {
namespace {

// The schedule's window end, when the stored rules have a schedule open now.
std::optional<platform::Date> scheduleEnd(const TriggerConfiguration& configuration,
                                          platform::Date now, const platform::Calendar& calendar) {
  if (!configuration.schedule) return std::nullopt;
  const TriggerSchedule& schedule = *configuration.schedule;
  // Stored values beyond a day's minutes never describe a window end.
  auto fits = [](std::int64_t value) { return value >= INT_MIN && value <= INT_MAX; };
  if (!fits(schedule.startMinute) || !fits(schedule.endMinute)) return std::nullopt;
  std::set<int> weekdays;
  for (std::int64_t day : schedule.weekdays) {
    if (fits(day)) weekdays.insert(static_cast<int>(day));
  }
  return AwakeStatusText::scheduleWindowEnd(weekdays, static_cast<int>(schedule.startMinute),
                                            static_cast<int>(schedule.endMinute), now, calendar);
}

}  // namespace

StatusTextContext VGXTriggerBridge::statusTextContext() const {
  StatusTextContext context{.now = now(), .calendar = platform_.calendar()};
  context.scheduleEnd = scheduleEnd(triggerConfiguration(), context.now, context.calendar);
  context.appName = &VGXTriggerBridge::appDisplayName;
  context.lowPowerModeBlocks = controller_.lowPowerModeEnabled();
  context.batteryThreshold = effectiveBatteryThreshold(defaults_);
  return context;
}

bool VGXTriggerBridge::isAwake() const { return controller_.snapshot().isAwake; }

bool VGXTriggerBridge::isBlocked() const {
  const AwakeStatus::Kind kind = controller_.snapshot().primary.kind();
  return kind == AwakeStatus::Kind::blockedByBattery || kind == AwakeStatus::Kind::blockedByHeat;
}

bool VGXTriggerBridge::isHeatBlocked() const { return controller_.heatBlocked(); }
bool VGXTriggerBridge::isBatteryBlocked() const { return controller_.batteryBlocked(); }
bool VGXTriggerBridge::isLowPowerModeBlocked() const { return controller_.lowPowerModeEnabled(); }
bool VGXTriggerBridge::isAutomationEnabled() const { return controller_.automationEnabled(); }

bool VGXTriggerBridge::isManualSession() const {
  const AwakeStatus::Kind kind = controller_.snapshot().primary.kind();
  return kind == AwakeStatus::Kind::manualUntil || kind == AwakeStatus::Kind::manualIndefinite;
}

std::optional<platform::Date> VGXTriggerBridge::manualFireDate() const {
  const AwakeStatus primary = controller_.snapshot().primary;
  if (primary.kind() != AwakeStatus::Kind::manualUntil) return std::nullopt;
  return primary.date();
}

std::string VGXTriggerBridge::headerReasonLine() const {
  if (const auto& verifier = neighbours_.protectionReasonLine) {
    if (auto line = verifier()) return *line;
  }
  return VGXMenuHeaderModel::reasonLine(controller_.snapshot(), statusTextContext());
}

std::string VGXTriggerBridge::assertionReason() const {
  return VGXMenuHeaderModel::assertionReason(controller_.snapshot(), statusTextContext());
}

std::string VGXTriggerBridge::appDisplayName(const std::string& bundleIdentifier) {
  return AwakeStatusText::defaultAppName(bundleIdentifier);
}

}  // namespace vigilix
