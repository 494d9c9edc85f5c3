#include "hub/trigger_bridge.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

using platform::weakly;

const TriggerConfiguration& VGXTriggerBridge::triggerConfiguration() const {
  std::optional<platform::PropertyValue> stored = defaults_.object(kTriggersDefaultsKey);
  if (stored != configurationSource_) {
    configuration_ = VGXTriggerConfigurationStore::load(defaults_);
    configurationSource_ = std::move(stored);
  }
  return configuration_;
}

// The monitor asks no provider: the settings pass hands it the rules when
// their stored value changed, so they are decoded once per change.
void VGXTriggerBridge::makeTriggerMonitor(const TriggerConfiguration& configuration) {
  monitorConfiguration_ = configuration;
  if (!neighbours_.makeTriggerMonitor) return;
  monitor_ = neighbours_.makeTriggerMonitor(
      configuration, weakly(this, [](VGXTriggerBridge& bridge, const TriggerDecision& decision) {
        bridge.triggerDecisionDidChange(decision);
      }));
}

void VGXTriggerBridge::followTriggerConfiguration(bool evaluate) {
  if (!monitor_) return;
  const TriggerConfiguration& configuration = triggerConfiguration();
  if (evaluate || configuration != monitorConfiguration_) {
    monitorConfiguration_ = configuration;
    monitor_->updateConfiguration(configuration);
  }
  // Nothing is sampled while automation is off.
  if (configuration.isEnabled == monitorRuns_) return;
  monitorRuns_ = configuration.isEnabled;
  if (monitorRuns_) {
    monitor_->start();
  } else {
    monitor_->stop();
    decision_ = {};
  }
}

void VGXTriggerBridge::triggerDecisionDidChange(const TriggerDecision& decision) {
  decision_ = decision;
  refresh(now());
}

void VGXTriggerBridge::setFocusMode(VGXFocusMode mode) {
  focus_.setMode(mode);
  writeOwnDefaults([&] { storeFocusMode(defaults_, mode); });
  evaluateFocusMode(now());
}

}  // namespace vigilix
