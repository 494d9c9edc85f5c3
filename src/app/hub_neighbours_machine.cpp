#include <utility>

#include "app/hub_neighbours.h"
#include "platform/power/low_power_mode.h"
#include "platform/power/thermal_state.h"
#include "platform/runloop/dispatch_queue.h"
#include "policy/policy_observable.h"
#include "policy/policy_watcher.h"
#include "triggers/live_system_sampler.h"
#include "triggers/trigger_monitor.h"

namespace vigilix {
namespace {

// The monitor asks no provider: the hub hands it the rules when their
// stored value changed, so they are decoded once per change.
class TriggerMonitorNeighbour : public HubTriggerMonitor {
 public:
  explicit TriggerMonitorNeighbour(std::shared_ptr<TriggerMonitor> monitor)
      : monitor_(std::move(monitor)) {}
  void start() override { monitor_->start(); }
  void stop() override { monitor_->stop(); }
  void updateConfiguration(const TriggerConfiguration& configuration) override {
    monitor_->updateConfiguration(configuration);
  }
  void requestEvaluation() override { monitor_->requestEvaluation(); }

 private:
  std::shared_ptr<TriggerMonitor> monitor_;
};

class Policy : public HubPolicy {
 public:
  void watch(std::function<void()> changed) override {
    if (watcher_) return;
    watcher_ = VGXPolicyWatcher::make(std::move(changed));
    watcher_->start();
  }
  void noteApplied() override { VGXPolicyObservable::shared().noteChange(); }

 private:
  std::shared_ptr<VGXPolicyWatcher> watcher_;
};

class PowerInputs : public HubPowerInputs {
 public:
  VGXBatterySample battery() override { return samplePowerSource(); }
  bool lowPowerMode() override { return platform::LowPowerMode::current().isLowPowerModeEnabled(); }
  platform::ThermalState thermalLevel() override { return currentThermalLevel(); }
  platform::ObserverHandle observeThermalChanges(std::function<void()> changed) override {
    return platform::NotificationCenter::defaultCenter().addObserver(
        platform::kThermalStateDidChangeNotification, nullptr, &platform::DispatchQueue::main(),
        [changed = std::move(changed)](const platform::Notification&) { changed(); });
  }
  platform::ObserverHandle followThermalState(platform::ThermalState known) override {
    return platform::ThermalMonitor::current().followChanges(
        static_cast<platform::ThermalState>(known));
  }
};

}  // namespace

HubTriggerMonitor::Maker triggerMonitorMaker(
    std::function<std::shared_ptr<SystemSampling>()> makeSampler) {
  return [makeSampler = std::move(makeSampler)](const TriggerConfiguration& configuration,
                                                HubTriggerMonitor::Decided decided) {
    return std::make_unique<TriggerMonitorNeighbour>(
        TriggerMonitor::make(makeSampler ? makeSampler() : std::make_shared<LiveSystemSampler>(),
                             configuration, platform::Calendar::current(), {}, std::move(decided)));
  };
}

std::shared_ptr<HubPolicy> makePolicy() { return std::make_shared<Policy>(); }

std::shared_ptr<HubPowerInputs> makePowerInputs() { return std::make_shared<PowerInputs>(); }

}  // namespace vigilix
