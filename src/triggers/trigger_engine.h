#pragma once

#include <string>

#include "platform/locale/calendar.h"
#include "triggers/system_sample.h"
#include "triggers/threshold_hysteresis.h"
#include "triggers/trigger_configuration.h"
#include "triggers/trigger_decision.h"

namespace vigilix {

// Turns one sample and the configuration into a decision. Pure but for the
// sustain state of the three threshold rules. Not thread-safe: its owner
// calls it from one serial queue.
class TriggerEngine {
 public:
  TriggerEngine(TriggerConfiguration configuration, platform::Calendar calendar);

  const TriggerConfiguration& configuration() const { return configuration_; }
  // Every write restarts the sustain state of all threshold rules, so a
  // changed rule set never inherits a half-counted streak.
  void setConfiguration(TriggerConfiguration configuration);
  void resetHysteresis();

  TriggerDecision evaluate(const SystemSample& sample);

  // Whether the app rule holds for one configured identifier.
  bool isAppActive(const std::string& bundleIdentifier, const SystemSample& sample) const;

  const ThresholdHysteresis& networkHysteresis() const { return networkHysteresis_; }
  const ThresholdHysteresis& diskHysteresis() const { return diskHysteresis_; }
  const ThresholdHysteresis& cpuHysteresis() const { return cpuHysteresis_; }

 private:
  TriggerConfiguration configuration_;
  platform::Calendar calendar_;
  ThresholdHysteresis networkHysteresis_;
  ThresholdHysteresis diskHysteresis_;
  ThresholdHysteresis cpuHysteresis_;
};

}  // namespace vigilix
