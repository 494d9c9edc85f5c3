#include "hub/trigger_bridge.h"
#include "platform/runloop/clock.h"
#include "triggers/live_system_sampler.h"

namespace vigilix {

TriggerConfiguration VGXTriggerBridge::triggerConfiguration() const {
  return VGXTriggerConfigurationStore::load(defaults_);
}

void VGXTriggerBridge::makeTriggerMonitor(const TriggerConfiguration& configuration) {
  std::weak_ptr<VGXTriggerBridge> weak = weak_from_this();
  // Read afresh at each evaluation, on the monitor's queue, so rules saved
  // by the settings reach the engine without a call into the monitor.
  platform::UserDefaults* defaults = &defaults_;
  monitor_ = TriggerMonitor::make(
      makeSampler_ ? makeSampler_() : std::make_shared<LiveSystemSampler>(), configuration,
      platform::Calendar::current(),
      [defaults] { return VGXTriggerConfigurationStore::load(*defaults); },
      [weak](const TriggerDecision&) {
        if (auto bridge = weak.lock()) bridge->refresh(platform::Clock::current().now());
      });
}

void VGXTriggerBridge::setFocusMode(VGXFocusMode mode) {
  focus_.setMode(mode);
  writeOwnDefaults([&] { storeFocusMode(defaults_, mode); });
  evaluateFocusMode(platform::Clock::current().now());
}

}  // namespace vigilix
