#include "hub/trigger_bridge.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/dzl_keys.h"
#include "health/session_notifications.h"
#include "menubar/global_shortcut_center.h"
#include "platform/base/shared_instances.h"
#include "platform/base/test_settings.h"
#include "platform/power/low_power_mode.h"
#include "platform/power/thermal_state.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"
#include "platform/system/bookmarks.h"

namespace vigilix {

using platform::weakly;

namespace {

constexpr const char* kDidWakeNotification = "NSWorkspaceDidWakeNotification";
constexpr const char* kClockDidChangeNotification = "NSSystemClockDidChangeNotification";
constexpr const char* kTimeZoneDidChangeNotification = "NSSystemTimeZoneDidChangeNotification";
constexpr const char* kDidMigrateExternalDisplayKey =
    "run.tarvo.vigilix.DidMigrateExternalDisplayTrigger";
constexpr double kFallbackBatteryThreshold = 20;

AwakeController savedController(const platform::UserDefaults& defaults) {
  const platform::Date at = platform::Clock::current().now();
  const double threshold = effectiveBatteryThreshold(defaults);
  if (auto data = defaults.dataValue(VGXTriggerBridge::awakeStateDefaultsKey)) {
    if (auto restored = AwakeController::restore(*data, at, threshold)) return *restored;
  }
  return AwakeController(at, threshold);
}

AwakeController restoredController(const platform::UserDefaults& defaults) {
  AwakeController controller = savedController(defaults);
  // Tests of the built program do not wait out the real cool-down.
  if (const auto seconds = platform::testSeconds("VIGILIX_TEST_HEAT_COOL_DOWN")) {
    controller.setHeatCoolDown(*seconds);
  }
  return controller;
}

std::shared_ptr<VGXTriggerBridge> makeSharedBridge() { return VGXTriggerBridge::create(); }

constinit platform::SharedInstance<VGXTriggerBridge> sharedBridge(&makeSharedBridge);
constinit platform::SharedInstance<VGXTriggerBridge::Hooks> sharedHooks;

}  // namespace

double effectiveBatteryThreshold(const platform::UserDefaults& defaults) {
  const std::optional<double> stored = defaults.doubleValue(kDZLBatteryCapacityThresholdKey);
  if (!stored || !std::isfinite(*stored) || *stored <= 0) return kFallbackBatteryThreshold;
  return std::max(*stored, kDZLMinimumBatteryCapacityThreshold);
}

VGXTriggerBridge::VGXTriggerBridge(Passkey, platform::UserDefaults& defaults,
                                   BookmarkResolver resolveBookmark, SamplerFactory makeSampler)
    : controller_(restoredController(defaults)),
      defaults_(defaults),
      resolveBookmark_(std::move(resolveBookmark)),
      makeSampler_(std::move(makeSampler)),
      controlState_(std::make_unique<ControlStateBridge>(
          ControlStateBridge::appGroupSuite(), [](const std::string& kind) {
            if (const auto& reload = hooks().reloadControls) reload(kind);
          })) {}

VGXTriggerBridge::~VGXTriggerBridge() {
  if (tickTimer_) tickTimer_->invalidate();
  if (watchTimer_) watchTimer_->invalidate();
  for (const platform::UUID& id : scopedWatchIDs_) {
    if (auto url = watchURLs_.find(id); url != watchURLs_.end()) {
      platform::BookmarkService::current().stopAccessing(url->second);
    }
  }
  if (monitor_) monitor_->stop();
}

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::create(platform::UserDefaults& defaults,
                                                           BookmarkResolver resolveBookmark,
                                                           SamplerFactory makeSampler) {
  auto bridge = std::make_shared<VGXTriggerBridge>(Passkey{}, defaults, std::move(resolveBookmark),
                                                   std::move(makeSampler));
  bridge->finishCreation();
  return bridge;
}

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::create() {
  return create(platform::UserDefaults::standard(), defaultBookmarkResolver());
}

VGXTriggerBridge::BookmarkResolver VGXTriggerBridge::defaultBookmarkResolver() {
  return [](const platform::Bytes& bookmark) {
    return platform::BookmarkService::current().resolveBookmark(bookmark);
  };
}

VGXTriggerBridge& VGXTriggerBridge::shared() { return sharedBridge.get(); }

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::sharedPointer() {
  return sharedBridge.pointer();
}

VGXTriggerBridge::Hooks& VGXTriggerBridge::hooks() { return sharedHooks.get(); }

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
  if (monitor_) {
    reloadConfiguration();
    refresh(now());
    return;
  }
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
  applyHeatRule(currentThermalLevel(), now());
  applyPolicy(now());
  startAgentHolds();
  refresh(now());
  scheduleTickTimer(now());
}

// The global shortcut and the session notifications come first, on every
// start; their own start runs once.
void VGXTriggerBridge::connectFrontEnds() {
  VGXGlobalShortcutCenter& shortcut = VGXGlobalShortcutCenter::shared();
  shortcut.setToggleAction(
      weakly(this, [](VGXTriggerBridge& bridge) { bridge.toggleKeepAwake(); }));
  shortcut.start();

  VGXSessionNotifications& notifications = VGXSessionNotifications::shared();
  notifications.setHub({
      .extendOrRestartFifteenMinutes =
          weakly(this, [](VGXTriggerBridge& bridge) { bridge.extendOrRestartFifteenMinutes(); }),
      .isAwake = weakly(this, [](VGXTriggerBridge& bridge) { return bridge.isAwake(); }),
      .assertionReason =
          weakly(this, [](VGXTriggerBridge& bridge) { return bridge.assertionReason(); }),
  });
  notifications.start();
}

void VGXTriggerBridge::installObservers() {
  const auto fullTick = weakly(this, [](VGXTriggerBridge& bridge) { bridge.tick(); });
  platform::DispatchQueue* main = &platform::DispatchQueue::main();
  platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
  workspaceObservers_.push_back(platform::NotificationCenter::workspaceCenter().addObserver(
      kDidWakeNotification, nullptr, main, fullTick));
  notificationObservers_.push_back(
      center.addObserver(kClockDidChangeNotification, nullptr, main, fullTick));
  notificationObservers_.push_back(
      center.addObserver(kTimeZoneDidChangeNotification, nullptr, main, fullTick));
  // Delivered where the change is posted, so that a change the hub writes
  // itself is seen while isApplyingDefaults is still set; the pass that
  // follows runs on the main queue.
  const auto changed = weakly(this, [](VGXTriggerBridge& bridge) { bridge.defaultsDidChange(); });
  defaultsObserver_ = center.addObserver(
      platform::kUserDefaultsDidChangeNotification, nullptr, nullptr,
      [changed](const platform::Notification&) { platform::runOnMain(changed); });
}

void VGXTriggerBridge::updatePowerInputs(platform::Date at) {
  const VGXBatterySample battery = samplePowerSource();
  const bool lowPowerMode = platform::LowPowerMode::current().isLowPowerModeEnabled();
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
  const VGXBatterySample battery = samplePowerSource();
  const bool onPower = !(battery.hasBattery && battery.onBatteryPower);
  if (focus_.apply(onPower, controller_)) persistAndPublish(at);
}

void VGXTriggerBridge::startThermalObservation() {
  applyHeatRule(currentThermalLevel(), now());
  if (thermalObserver_) return;
  thermalObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
      platform::kThermalStateDidChangeNotification, nullptr, &platform::DispatchQueue::main(),
      weakly(this, [](VGXTriggerBridge& bridge) { bridge.thermalStateDidChange(); }));
  followThermalStateWhileItMatters(controller_.snapshot());
}

void VGXTriggerBridge::followThermalStateWhileItMatters(const AwakeSnapshot& snapshot) {
  const bool matters = thermalObserver_ && ((snapshot.isAwake && controller_.stopWhenHot()) ||
                                            controller_.heatBlocked());
  if (!matters) {
    thermalFollower_.reset();
  } else if (!thermalFollower_) {
    const auto known = static_cast<platform::ThermalState>(controller_.lastThermal());
    thermalFollower_ = platform::ThermalMonitor::current().followChanges(known);
  }
}

void VGXTriggerBridge::startPolicyWatcher() {
  if (policyWatcher_) return;
  policyWatcher_ = VGXPolicyWatcher::make(
      weakly(this, [](VGXTriggerBridge& bridge) { bridge.policyDidChange(); }));
  policyWatcher_->start();
}

void VGXTriggerBridge::startAgentHolds() {
  auto store = std::make_shared<VGXAgentHoldStore>(kAgentHoldMaxTTL);
  auto holds = std::make_shared<VGXAgentHoldController>(
      store, &VGXAgentHoldController::defaultPolicyDenied,
      weakly(this, [](VGXTriggerBridge& bridge, const std::vector<TriggerReason>& reasons) {
        bridge.agentHoldsDidChange(reasons);
      }));
  holds->start();
  agentHoldController_ = std::move(holds);
}

void VGXTriggerBridge::refresh(platform::Date at) {
  std::vector<TriggerReason> reasons;
  if (triggerConfiguration().isEnabled) {
    reasons = decision_.reasons;
    if (const auto& backup = hooks().timeMachineReasonsProvider) {
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
