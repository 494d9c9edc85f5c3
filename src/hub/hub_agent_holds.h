#pragma once

#include <functional>
#include <vector>

#include "triggers/trigger_reason.h"

namespace vigilix {

// The agent holds, as the hub uses them.
class HubAgentHolds {
 public:
  // The agents' keep-awake reasons after a change; any thread.
  using Changed = std::function<void(std::vector<TriggerReason> reasons)>;

  virtual ~HubAgentHolds() = default;
  // Starts a fresh, empty set of holds that tells `changed` of each change.
  virtual void start(Changed changed) = 0;
  // Drops every hold and tells `changed` of none; nothing before a start.
  virtual void clearAll() = 0;
  // Whether the managed policy turns agent holds off.
  virtual bool policyDenied() const = 0;
};

}  // namespace vigilix
