#include "bridge/trigger_bridge.h"

#include "platform/runloop/clock.h"

namespace vigilix {

VGXTriggerBridge::VGXTriggerBridge(Passkey, platform::UserDefaults& defaults,
                                   BookmarkResolver resolveBookmark)
    : controller_(platform::Clock::current().now(), effectiveBatteryThreshold(defaults)),
      defaults_(defaults),
      resolveBookmark_(std::move(resolveBookmark)) {}

VGXTriggerBridge::~VGXTriggerBridge() = default;

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::create(platform::UserDefaults& defaults,
                                                           BookmarkResolver resolveBookmark) {
  auto bridge = std::make_shared<VGXTriggerBridge>(Passkey{}, defaults, std::move(resolveBookmark));
  bridge->finishCreation();
  return bridge;
}

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::create() {
  return create(platform::UserDefaults::standard(), defaultBookmarkResolver());
}

VGXTriggerBridge::BookmarkResolver VGXTriggerBridge::defaultBookmarkResolver() { return {}; }

VGXTriggerBridge& VGXTriggerBridge::shared() { return *sharedPointer(); }

std::shared_ptr<VGXTriggerBridge> VGXTriggerBridge::sharedPointer() { return create(); }

VGXTriggerBridge::Hooks& VGXTriggerBridge::hooks() {
  static Hooks hooks;
  return hooks;
}

double effectiveBatteryThreshold(const platform::UserDefaults&) { return 20; }

void VGXTriggerBridge::finishCreation() {}
void VGXTriggerBridge::migrateExternalDisplayTrigger() {}
void VGXTriggerBridge::synchroniseAutomation() {}
void VGXTriggerBridge::start() {}
void VGXTriggerBridge::installObservers() {}
void VGXTriggerBridge::updatePowerInputs(platform::Date) {}
void VGXTriggerBridge::evaluateFocusMode(platform::Date) {}
void VGXTriggerBridge::startThermalObservation() {}
void VGXTriggerBridge::startPolicyWatcher() {}
void VGXTriggerBridge::startAgentHolds() {}
void VGXTriggerBridge::connectFrontEnds() {}
void VGXTriggerBridge::refresh(platform::Date) {}
void VGXTriggerBridge::refreshNow() {}
TriggerDecision VGXTriggerBridge::currentDecision() const { return {}; }
void VGXTriggerBridge::writeOwnDefaults(const std::function<void()>& write) { write(); }

}  // namespace vigilix
