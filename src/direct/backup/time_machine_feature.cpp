#include "direct/backup/time_machine_feature.h"

#include "hub/trigger_bridge.h"
#include "hub/trigger_configuration_store.h"
#include "keepawake/health_registry.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/base/shared_instances.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "policy/policy_gate.h"

namespace vigilix {

using platform::onMain;
using platform::weakly;

using platform::fillPlaceholders;
using platform::localized;

namespace {

struct Seam {
  std::shared_ptr<const VGXCommandRunning> runner = std::make_shared<VGXProcessCommandRunner>();
  double interval = VGXTimeMachineSampler::kDefaultInterval;
};
constinit platform::SharedInstance<Seam> sharedSeam;

std::shared_ptr<VGXTimeMachineFeature> makeShared() {
  const Seam& seam = sharedSeam.get();
  return VGXTimeMachineFeature::make(VGXTimeMachineSampler::make(seam.runner, seam.interval),
                                     platform::UserDefaults::standard(),
                                     [] { VGXTriggerBridge::shared().refreshNow(); });
}
constinit platform::SharedInstance<VGXTimeMachineFeature> sharedFeature(&makeShared);

}  // namespace

std::shared_ptr<const VGXCommandRunning>& VGXTimeMachineSeam::runner() {
  return sharedSeam.get().runner;
}
double& VGXTimeMachineSeam::interval() { return sharedSeam.get().interval; }

VGXTimeMachineFeature& VGXTimeMachineFeature::shared() { return sharedFeature.get(); }

std::shared_ptr<VGXTimeMachineFeature> VGXTimeMachineFeature::make(
    std::shared_ptr<VGXTimeMachineSampler> sampler, platform::UserDefaults& defaults,
    std::function<void()> refreshHub) {
  std::shared_ptr<VGXTimeMachineFeature> feature(
      new VGXTimeMachineFeature(std::move(sampler), defaults, std::move(refreshHub)));
  feature->sampler_->setOnChange(weakly(
      feature,
      [](VGXTimeMachineFeature& self, const VGXTimeMachineState& state) { self.receive(state); }));
  return feature;
}

VGXTimeMachineFeature::VGXTimeMachineFeature(std::shared_ptr<VGXTimeMachineSampler> sampler,
                                             platform::UserDefaults& defaults,
                                             std::function<void()> refreshHub)
    : sampler_(std::move(sampler)), defaults_(defaults), refreshHub_(std::move(refreshHub)) {}

bool VGXTimeMachineFeature::isWanted() const {
  return VGXTriggerConfigurationStore::load(defaults_).whileTimeMachineBacksUp &&
         !VGXPolicyRuntime::enforcedBool(defaults_, kDisablePolicyKey).value_or(false);
}

void VGXTimeMachineFeature::install() {
  if (!installed_) {
    installed_ = true;
    VGXTriggerBridge::slots().extraTriggerReasonsProvider =
        weakly(this, [](VGXTimeMachineFeature& self) { return self.reasons(); });
    VGXHealthRegistry::registerProvider(
        weakly(this, [](VGXTimeMachineFeature& self) { return self.healthLines(); }));
    observers_.push_back(platform::NotificationCenter::defaultCenter().addObserver(
        platform::kUserDefaultsDidChangeNotification, nullptr, &platform::DispatchQueue::main(),
        weakly(this, [](VGXTimeMachineFeature& self) { self.defaultsDidChange(); })));
  }
  apply(false);
}

void VGXTimeMachineFeature::defaultsDidChange() {
  if (defaultsChangeScheduled_) return;
  defaultsChangeScheduled_ = true;
  onMain(this, [](VGXTimeMachineFeature& self) {
    self.defaultsChangeScheduled_ = false;
    self.apply(true);
  });
}

void VGXTimeMachineFeature::apply(bool refresh) {
  if (isWanted()) {
    sampler_->start();
    return;
  }
  sampler_->stop();
  bool hadReading = false;
  {
    std::lock_guard guard(lock_);
    hadReading = lastState_.has_value();
    lastState_.reset();
  }
  // Only a dropped reading changes the reasons: refreshing on every settings
  // change would answer the hub's own writes with another refresh.
  if (refresh && hadReading && refreshHub_) refreshHub_();
}

void VGXTimeMachineFeature::receive(const VGXTimeMachineState& state) {
  if (isWanted()) {
    std::lock_guard guard(lock_);
    lastState_ = state;
  } else {
    sampler_->stop();
    std::lock_guard guard(lock_);
    lastState_.reset();
  }
  if (refreshHub_) refreshHub_();
}

std::vector<TriggerReason> VGXTimeMachineFeature::reasons() const {
  if (!isWanted()) return {};
  std::lock_guard guard(lock_);
  if (lastState_ != VGXTimeMachineState::running()) return {};
  return {TriggerReason::timeMachine()};
}

std::vector<VGXHealthLine> VGXTimeMachineFeature::healthLines() const {
  if (!isWanted()) return {};
  std::lock_guard guard(lock_);
  if (!lastState_ || lastState_->kind != VGXTimeMachineState::Kind::unknown) return {};
  return {VGXHealthLine{
      localized("Backup", "Health Check: backup trigger"),
      fillPlaceholders(
          localized("Couldn't check for a backup: %@", "Health Check: backup check failed; reason"),
          {lastState_->reason}),
      VGXHealthSeverity::Warning,
      std::nullopt,
  }};
}

}  // namespace vigilix
