#include "platform/power/in_process_power_assertions.h"

namespace vigilix::platform {

PowerAssertionCreateResult InProcessPowerAssertions::createWithName(const std::string& type,
                                                                    std::int64_t level,
                                                                    const std::string& name) {
  if (type.empty() || name.empty() ||
      (level != kPowerAssertionLevelOff && level != kPowerAssertionLevelOn)) {
    return {kPowerReturnBadArgument, 0};
  }
  std::lock_guard lock(mutex_);
  if (nextID_ == 0) return {kPowerReturnError, 0};  // every identifier used up
  const PowerAssertionID assertionID = nextID_++;
  assertions_[assertionID] = PropertyDictionary{
      {kAssertionTypeKey, type},
      {kAssertionLevelKey, level},
      {kAssertionNameKey, name},
  };
  return {kPowerReturnSuccess, assertionID};
}

std::optional<PropertyDictionary> InProcessPowerAssertions::copyProperties(
    PowerAssertionID assertionID) const {
  std::lock_guard lock(mutex_);
  auto found = assertions_.find(assertionID);
  if (found == assertions_.end()) return std::nullopt;
  return found->second;
}

PowerReturn InProcessPowerAssertions::release(PowerAssertionID assertionID) {
  std::lock_guard lock(mutex_);
  return assertions_.erase(assertionID) ? kPowerReturnSuccess : kPowerReturnNotFound;
}

PowerAssertionsByProcess InProcessPowerAssertions::copyAssertionsByProcess() const {
  PowerAssertionsByProcess answer;
  answer.result = kPowerReturnSuccess;
  std::lock_guard lock(mutex_);
  if (!assertions_.empty()) {
    auto& own = answer.byProcess[currentProcessID()];
    for (const auto& [assertionID, properties] : assertions_) own.push_back(properties);
  }
  return answer;
}

bool InProcessPowerAssertions::drop(PowerAssertionID assertionID) {
  std::lock_guard lock(mutex_);
  return assertions_.erase(assertionID) > 0;
}

std::vector<PowerAssertionID> InProcessPowerAssertions::heldAssertionIDs() const {
  std::lock_guard lock(mutex_);
  std::vector<PowerAssertionID> ids;
  for (const auto& entry : assertions_) ids.push_back(entry.first);
  return ids;
}

}  // namespace vigilix::platform
