#include "hub/trigger_bridge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>

#include "core/dzl_keys.h"
#include "platform/base/logger.h"
#include "platform/base/shared_instances.h"
#include "platform/base/test_settings.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_process_source.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/run_loop.h"
#include "platform/runloop/weakly.h"
#include "platform/system/bookmarks.h"
#include "triggers/watch_store.h"

namespace vigilix {

using platform::weakly;

namespace {

constexpr const char* kDidWakeNotification = "NSWorkspaceDidWakeNotification";
constexpr const char* kClockDidChangeNotification = "NSSystemClockDidChangeNotification";
constexpr const char* kTimeZoneDidChangeNotification = "NSSystemTimeZoneDidChangeNotification";
constexpr const char* kDidMigrateExternalDisplayKey =
    "run.tarvo.vigilix.DidMigrateExternalDisplayTrigger";
constexpr double kFallbackBatteryThreshold = 20;

AwakeController savedController(const platform::UserDefaults& defaults, platform::Clock& clock) {
  const platform::Date at = clock.now();
  const double threshold = effectiveBatteryThreshold(defaults);
  if (auto data = defaults.dataValue(VGXTriggerBridge::awakeStateDefaultsKey)) {
    if (auto restored = AwakeController::restore(*data, at, threshold)) return *restored;
  }
  return AwakeController(at, threshold);
}

AwakeController restoredController(const platform::UserDefaults& defaults, platform::Clock& clock) {
  AwakeController controller = savedController(defaults, clock);
  // Tests of the built program do not wait out the real cool-down.
  if (const auto seconds = platform::testSeconds("VIGILIX_TEST_HEAT_COOL_DOWN")) {
    controller.setHeatCoolDown(*seconds);
  }
  return controller;
}

// The shared hub, once made, and how the composition makes it.
struct SharedHub {
  std::shared_ptr<VGXTriggerBridge> hub;
  VGXTriggerBridge::SharedMaker make;
};

constinit platform::SharedInstance<SharedHub> sharedHub;
constinit platform::SharedInstance<VGXTriggerBridge::Slots> sharedSlots;

}  // namespace

double effectiveBatteryThreshold(const platform::UserDefaults& defaults) {
  const std::optional<double> stored = defaults.doubleValue(kDZLBatteryCapacityThresholdKey);
  if (!stored || !std::isfinite(*stored) || *stored <= 0) return kFallbackBatteryThreshold;
  return std::max(*stored, kDZLMinimumBatteryCapacityThreshold);
}

VGXTriggerBridge::VGXTriggerBridge(Passkey, platform::UserDefaults& defaults,
                                   BookmarkResolver resolveBookmark, VGXHubNeighbours neighbours)
    : controller_(restoredController(defaults, *neighbours.platform.clock)),
      neighbours_(std::move(neighbours)),
      defaults_(defaults),
      resolveBookmark_(std::move(resolveBookmark)) {}

VGXTriggerBridge::~VGXTriggerBridge() {
  if (tickTimer_) tickTimer_->invalidate();
  if (watchTimer_) watchTimer_->invalidate();
  for (const platform::UUID& id : scopedWatchIDs_) {
    if (auto url = watchURLs_.find(id); url != watchURLs_.end()) {
      platform_.bookmarks->stopAccessing(url->second);
    }
  }
  if (monitor_) monitor_->stop();
}

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::create(platform::UserDefaults& defaults,
                                                           BookmarkResolver resolveBookmark,
                                                           VGXHubNeighbours neighbours) {
  auto bridge = std::make_shared<VGXTriggerBridge>(Passkey{}, defaults, std::move(resolveBookmark),
                                                   std::move(neighbours));
  bridge->finishCreation();
  return bridge;
}

platform::Date VGXTriggerBridge::now() const { return platform_.clock->now(); }

void VGXTriggerBridge::later(std::function<void(VGXTriggerBridge&)> fn) {
  platform_.mainQueue->async(weakly(this, std::move(fn)));
}

VGXTriggerBridge& VGXTriggerBridge::shared() { return *sharedPointer(); }

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::sharedPointer() {
  SharedHub& shared = sharedHub.get();
  if (!shared.hub) {
    if (!shared.make) {
      platform::Logger("hub").fault("The hub was reached before the application composed it");
      std::abort();
    }
    shared.hub = shared.make();
  }
  return shared.hub;
}

void VGXTriggerBridge::makeSharedWith(SharedMaker make) { sharedHub.get().make = std::move(make); }

VGXTriggerBridge::Slots& VGXTriggerBridge::slots() { return sharedSlots.get(); }

void VGXTriggerBridge::finishCreation() {
  defaults_.registerDefaults({
      {"VGXStopWhenHot", true},
      {"VGXRestartTimerOnActivity", false},
      {"VGXKeepChatAppsActive", false},
  });
  migrateExternalDisplayTrigger();
  synchroniseAutomation();
  applyPolicy(now());
}

void VGXTriggerBridge::migrateExternalDisplayTrigger() {
  if (defaults_.boolValue(kDidMigrateExternalDisplayKey).value_or(false)) return;
  defaults_.set(kDidMigrateExternalDisplayKey, true);
  if (defaults_.boolValue(kDZLActivateOnExternalDisplayConnectedEnabledKey).value_or(false)) {
    TriggerConfiguration configuration = VGXTriggerConfigurationStore::load(defaults_);
    configuration.isEnabled = true;
    configuration.whenExternalDisplayConnected = true;
    VGXTriggerConfigurationStore::save(configuration, defaults_);
  }
  defaults_.remove(kDZLActivateOnExternalDisplayConnectedEnabledKey);
}

void VGXTriggerBridge::synchroniseAutomation() {
  // Turning automation off also clears the pause (the state machine's rule).
  controller_.setAutomationEnabled(triggerConfiguration().isEnabled);
}

void VGXTriggerBridge::start() {
  connectFrontEnds();
  if (started_) {
    reloadConfiguration();
    refresh(now());
    return;
  }
  started_ = true;
  makeTriggerMonitor(triggerConfiguration());
  followTriggerConfiguration(false);
  installObservers();
  updatePowerInputs(now());
  restoreWatches();
  focus_.setMode(loadFocusMode(defaults_));
  evaluateFocusMode(now());
  installCLIObserver();
  installControlObserver();
  startThermalObservation();
  startPolicyWatcher();
  applyHeatRule(thermalLevel(), now());
  applyPolicy(now());
  startAgentHolds();
  refresh(now());
  scheduleTickTimer(now());
}

// The global shortcut and the session notifications come first, on every
// start; their own start runs once.
void VGXTriggerBridge::connectFrontEnds() {
  if (neighbours_.shortcut) {
    neighbours_.shortcut->connect(
        weakly(this, [](VGXTriggerBridge& bridge) { bridge.toggleKeepAwake(); }));
  }
  if (neighbours_.sessionNotices) neighbours_.sessionNotices->connect(shared_from_this());
}

void VGXTriggerBridge::installObservers() {
  const auto fullTick = weakly(this, [](VGXTriggerBridge& bridge) { bridge.tick(); });
  platform::DispatchQueue* main = platform_.mainQueue;
  platform::NotificationCenter& center = *platform_.notifications;
  workspaceObservers_.push_back(
      platform_.workspace->addObserver(kDidWakeNotification, nullptr, main, fullTick));
  notificationObservers_.push_back(
      center.addObserver(kClockDidChangeNotification, nullptr, main, fullTick));
  notificationObservers_.push_back(
      center.addObserver(kTimeZoneDidChangeNotification, nullptr, main, fullTick));
  // Delivered where the change is posted, so that a change the hub writes
  // itself is seen while isApplyingDefaults is still set; the pass that
  // follows runs on the main queue.
  const auto changed = weakly(this, [](VGXTriggerBridge& bridge) { bridge.defaultsDidChange(); });
  defaultsObserver_ = center.addObserver(platform::kUserDefaultsDidChangeNotification, nullptr,
                                         nullptr, [changed, main](const platform::Notification&) {
                                           if (platform::DispatchQueue::isMainThread()) {
                                             changed();
                                           } else {
                                             main->async(changed);
                                           }
                                         });
}

void VGXTriggerBridge::updatePowerInputs(platform::Date at) {
  const VGXBatterySample battery = batterySample();
  const bool lowPowerMode = neighbours_.power && neighbours_.power->lowPowerMode();
  if (DZLKeys::dzl_isBatteryCapacityThresholdEnabled(defaults_) && battery.hasBattery &&
      battery.percent >= 0) {
    controller_.updateBattery(battery.onBatteryPower, battery.percent);
  } else {
    controller_.updateBattery(false, 100);
  }
  controller_.reevaluateBattery();
  controller_.setLowPowerMode(DZLKeys::dzl_isLowPowerModeMonitoringEnabled(defaults_) &&
                              lowPowerMode);
  evaluateFocusMode(at);
}

void VGXTriggerBridge::evaluateFocusMode(platform::Date at) {
  const VGXBatterySample battery = batterySample();
  const bool onPower = !(battery.hasBattery && battery.onBatteryPower);
  if (focus_.apply(onPower, controller_)) persistAndPublish(at);
}

VGXBatterySample VGXTriggerBridge::batterySample() const {
  return neighbours_.power ? neighbours_.power->battery() : VGXBatterySample{};
}

platform::ThermalState VGXTriggerBridge::thermalLevel() const {
  return neighbours_.power ? neighbours_.power->thermalLevel() : platform::ThermalState::Nominal;
}

void VGXTriggerBridge::startThermalObservation() {
  applyHeatRule(thermalLevel(), now());
  if (thermalObserver_ || !neighbours_.power) return;
  thermalObserver_ = neighbours_.power->observeThermalChanges(
      weakly(this, [](VGXTriggerBridge& bridge) { bridge.thermalStateDidChange(); }));
  followThermalStateWhileItMatters(controller_.snapshot());
}

void VGXTriggerBridge::followThermalStateWhileItMatters(const AwakeSnapshot& snapshot) {
  const bool matters = thermalObserver_ && ((snapshot.isAwake && controller_.stopWhenHot()) ||
                                            controller_.heatBlocked());
  if (!matters) {
    thermalFollower_.reset();
  } else if (!thermalFollower_) {
    thermalFollower_ = neighbours_.power->followThermalState(controller_.lastThermal());
  }
}

void VGXTriggerBridge::startPolicyWatcher() {
  if (!neighbours_.policy) return;
  neighbours_.policy->watch(
      weakly(this, [](VGXTriggerBridge& bridge) { bridge.policyDidChange(); }));
}

void VGXTriggerBridge::startAgentHolds() {
  if (!neighbours_.agentHolds) return;
  neighbours_.agentHolds->start(
      weakly(this, [](VGXTriggerBridge& bridge, std::vector<TriggerReason> reasons) {
        bridge.agentHoldsDidChange(std::move(reasons));
      }));
}

void VGXTriggerBridge::refresh(platform::Date at) {
  std::vector<TriggerReason> reasons;
  if (triggerConfiguration().isEnabled) {
    reasons = decision_.reasons;
    if (const auto& backup = slots().extraTriggerReasonsProvider) {
      std::ranges::move(backup(), std::back_inserter(reasons));
    }
  }
  controller_.setReasons(std::move(reasons));
  persistAndPublish(at);
}

void VGXTriggerBridge::writeOwnDefaults(const std::function<void()>& write) {
  const bool wasApplying = std::exchange(isApplyingDefaults_, true);
  write();
  isApplyingDefaults_ = wasApplying;
}

}  // namespace vigilix
