#include "core/battery_monitor.h"

namespace vigilix {

namespace {

bool flag(const platform::PropertyDictionary& info, const char* key) {
  const auto found = info.find(key);
  return found != info.end() && found->second.isBool() && std::get<bool>(found->second.value);
}

}  // namespace

DZLBatteryMonitor::DZLBatteryMonitor(platform::PowerSources& sources) : sources_(sources) {}

std::optional<platform::PropertyDictionary> DZLBatteryMonitor::powerSourceInfos() const {
  const auto descriptions = sources_.copyPowerSourceDescriptions();
  if (!descriptions || descriptions->empty()) return std::nullopt;
  const auto* first = std::get_if<platform::PropertyDictionary>(&descriptions->front().value);
  if (first == nullptr) return std::nullopt;
  return *first;
}

bool DZLBatteryMonitor::hasBattery() const {
  const auto info = powerSourceInfos();
  if (!info) return false;
  const auto type = info->find(platform::kPowerSourceTypeKey);
  return type != info->end() &&
         type->second ==
             platform::PropertyValue(std::string(platform::kPowerSourceInternalBatteryType));
}

double DZLBatteryMonitor::currentCapacity() const {
  const auto info = powerSourceInfos();
  if (!info) return -1.0;
  const auto found = info->find(platform::kPowerSourceCurrentCapacityKey);
  if (found == info->end()) return -1.0;
  if (const auto* whole = std::get_if<std::int64_t>(&found->second.value))
    return static_cast<double>(*whole);
  if (const auto* real = std::get_if<double>(&found->second.value)) return *real;
  return -1.0;
}

int DZLBatteryMonitor::state() const {
  const auto info = powerSourceInfos();
  if (!info) return 0;
  const auto found = info->find(platform::kPowerSourceStateKey);
  if (found == info->end() || !found->second.isString()) return 0;
  const auto& source = std::get<std::string>(found->second.value);
  if (source == platform::kPowerSourceBatteryPower) return 1;
  if (source != platform::kPowerSourceACPower) return 0;
  if (flag(*info, platform::kPowerSourceIsChargingKey)) return 2;
  return flag(*info, platform::kPowerSourceIsChargedKey) ? 3 : 0;
}

void DZLBatteryMonitor::registerForCapacityChangesIfNeeded() {
  if (changeSource_) return;
  changeSource_ = sources_.addChangeObserver(platform::RunLoopMode::Default, [this] {
    if (capacityChangeHandler_) capacityChangeHandler_(currentCapacity());
  });
}

}  // namespace vigilix
