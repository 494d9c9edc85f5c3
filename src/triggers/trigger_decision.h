#pragma once

#include <vector>

#include "triggers/trigger_reason.h"

namespace vigilix {

// What the trigger engine decides for one sample: keep awake exactly when
// there is at least one reason.
struct TriggerDecision {
  bool shouldKeepAwake = false;
  std::vector<TriggerReason> reasons;

  // The decision for these reasons, in their order.
  static TriggerDecision withReasons(std::vector<TriggerReason> reasons) {
    TriggerDecision decision;
    decision.shouldKeepAwake = !reasons.empty();
    decision.reasons = std::move(reasons);
    return decision;
  }

  bool operator==(const TriggerDecision&) const = default;
};

}  // namespace vigilix
