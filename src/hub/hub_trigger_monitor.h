#pragma once

#include <functional>
#include <memory>

#include "triggers/trigger_configuration.h"
#include "triggers/trigger_decision.h"

namespace vigilix {

// The trigger monitor, as the hub uses it. Made stopped.
class HubTriggerMonitor {
 public:
  // Each new decision, on the main thread.
  using Decided = std::function<void(const TriggerDecision& decision)>;
  using Maker =
      std::function<std::unique_ptr<HubTriggerMonitor>(const TriggerConfiguration&, Decided)>;

  virtual ~HubTriggerMonitor() = default;
  virtual void start() = 0;
  virtual void stop() = 0;
  virtual void updateConfiguration(const TriggerConfiguration& configuration) = 0;
  virtual void requestEvaluation() = 0;
};

}  // namespace vigilix
