#pragma once

#include <mutex>

#include "platform/power/power_assertions.h"

namespace vigilix::platform {

// Keeps assertions in a table inside this process. Every assertion belongs to
// this process. Identifiers are never reused.
class InProcessPowerAssertions : public PowerAssertions {
 public:
  PowerAssertionCreateResult createWithName(const std::string& type, std::int64_t level,
                                            const std::string& name) override;
  std::optional<PropertyDictionary> copyProperties(PowerAssertionID assertionID) const override;
  PowerReturn release(PowerAssertionID assertionID) override;
  PowerAssertionsByProcess copyAssertionsByProcess() const override;

  // Forgets an assertion without its owner releasing it, as a reset of power
  // management does. False when there was no such assertion.
  bool drop(PowerAssertionID assertionID);
  // Identifiers of the assertions held, in creation order.
  std::vector<PowerAssertionID> heldAssertionIDs() const;

 private:
  mutable std::mutex mutex_;
  PowerAssertionID nextID_ = 1;
  std::map<PowerAssertionID, PropertyDictionary> assertions_;
};

}  // namespace vigilix::platform
