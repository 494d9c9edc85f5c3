#include "direct/closed_lid_composition.h"

#include <unistd.h>

#include "closedlid/closed_lid_dialogs.h"
#include "closedlid/closed_lid_install_facts.h"
#include "closedlid/closed_lid_menu_item.h"
#include "closedlid/closed_lid_settings.h"
#include "closedlid/closed_lid_settings_section.h"
#include "health/app_notification_names.h"
#include "health/direct_availability.h"
#include "health/protection_verifier.h"
#include "health/session_notifications.h"
#include "keepawake/health_registry.h"
#include "platform/base/shared_instances.h"
#include "platform/power/thermal_state.h"
#include "platform/runloop/clock.h"
#include "policy/policy_gate.h"
#include "policy/policy_observable.h"
#include "settings/closed_lid_settings_slot.h"
#include "statusmenu/status_menu.h"

#ifndef VIGILIX_CLOSED_LID_FLAG
#define VIGILIX_CLOSED_LID_FLAG "yes"
#endif

namespace vigilix::VGXClosedLidComposition {

namespace {

namespace Keys = VGXClosedLidKeys;
namespace Facts = VGXClosedLidInstallFacts;

VGXClosedLidInputs liveInputs() {
  VGXClosedLidInputs in;
  in.featureEnabled = [] { return VGXLidModel::featureFlagEnabled(VIGILIX_CLOSED_LID_FLAG); };
  in.isStoreBuild = [] { return !VGXDirectAvailability::isDirectBuild(); };
  in.platformSupported = Facts::partsShipped;
  in.policyDisabled = [] {
    return VGXPolicyRuntime::enforcedBool(platform::UserDefaults::standard(), Keys::disableByPolicy)
        .value_or(false);
  };
  in.installedInPlace = Facts::runsFromInstalledPath;
  in.guardJobFilePresent = Facts::guardJobFilePresent;
  in.effectiveAwake = [] { return VGXTriggerBridge::shared().isAwake(); };
  in.isManualSession = [] { return VGXTriggerBridge::shared().isManualSession(); };
  in.safetyOK = [](int floor) {
    const platform::ThermalState level = currentThermalLevel();
    return safetyOK(
        level == platform::ThermalState::Serious || level == platform::ThermalState::Critical,
        samplePowerSource(), floor);
  };
  in.hashGuardBinary = Facts::installedGuardHash;
  in.nowNanoseconds = [] { return platform::Clock::current().continuousNanoseconds(); };
  in.uid = static_cast<std::uint32_t>(::getuid());
  return in;
}

VGXClosedLidEffects liveEffects() {
  VGXClosedLidEffects out;
  out.endManualSession = [] { VGXTriggerBridge::shared().endManualSession(); };
  out.postLatched = [](ClosedLidLatchCause cause) {
    VGXSessionNotifications::shared().postClosedLidLatched(cause);
  };
  out.postLidOpened = [] { VGXSessionNotifications::shared().postLidOpened(); };
  out.confirmEnabling = VGXClosedLidDialogs::confirmEnabling;
  out.offerRemovalRetry = VGXClosedLidDialogs::offerRemovalRetry;
  out.changed = [] { VGXProtectionVerifier::shared().inputsDidChange(); };
  return out;
}

std::function<VGXClosedLidParts()>& seam() {
  static std::function<VGXClosedLidParts()>* made =
      new std::function<VGXClosedLidParts()>(liveClosedLidParts);
  return *made;
}

std::shared_ptr<VGXClosedLidFeature> makeShared() {
  return VGXClosedLidFeature::make(platform::UserDefaults::standard(), seam()(), liveInputs(),
                                   liveEffects());
}
constinit platform::SharedInstance<VGXClosedLidFeature> sharedFeature(&makeShared);

// Every seam holds the feature weakly: once it is gone they do nothing.
void fillSeams(const std::shared_ptr<VGXClosedLidFeature>& feature) {
  std::weak_ptr<VGXClosedLidFeature> weak = feature;
  auto with = [weak](auto use, auto otherwise) {
    auto self = weak.lock();
    return self ? use(*self) : otherwise;
  };
  VGXProtectionVerifierProviders& providers = VGXProtectionVerifier::shared().providers();
  providers.closedLidLimit = [with] {
    return with([](VGXClosedLidFeature& f) { return limitReached(f.client().snapshot().status); },
                false);
  };
  providers.closedLidClearFailed = [with] {
    return with([](VGXClosedLidFeature& f) { return f.controller().clearFailed(); }, false);
  };
  providers.closedLidArmed = [with] {
    return with([](VGXClosedLidFeature& f) { return f.controller().lastArmed(); }, false);
  };
  providers.closedLidHeldFresh = [with] {
    return with([](VGXClosedLidFeature& f) { return f.controller().heldFresh(); },
                std::optional<bool>());
  };
  VGXTriggerBridge::slots().manualSessionStartHook = [weak] {
    if (auto self = weak.lock()) self->controller().manualSessionStarting();
  };
  VGXStatusMenu::slots().extraItemsHook = [weak](platform::Menu& menu) {
    auto self = weak.lock();
    if (!self) return;
    auto item = makeClosedLidMenuItem(self->controller().menuItem(), [weak] {
      if (auto feature = weak.lock()) feature->controller().toggleFromMenu();
    });
    if (item) menu.addItem(item);
  };
  VGXStatusMenu::slots().signatureHook = [with] {
    return with([](VGXClosedLidFeature& f) { return f.controller().menuSignature(); },
                std::string());
  };
  VGXClosedLidSettingsSlot::setSection([weak]() -> std::shared_ptr<platform::View> {
    auto self = weak.lock();
    if (!self) return nullptr;
    return VGXClosedLidSettingsSection::make(
        self->controller(), platform::UserDefaults::standard(),
        {.askForApprovalAgain =
             [weak] {
               if (auto feature = weak.lock()) feature->helper().requestApproval();
             },
         .confirmRemoval = VGXClosedLidDialogs::confirmRemoval});
  });
  VGXHealthRegistry::registerProvider([with] {
    return with([](VGXClosedLidFeature& f) { return f.controller().healthLines(); },
                std::vector<VGXHealthLine>());
  });
}

}  // namespace

std::function<VGXClosedLidParts()>& partsSeam() { return seam(); }
VGXClosedLidFeature& shared() { return sharedFeature.get(); }
std::shared_ptr<VGXClosedLidFeature> existing() { return sharedFeature.existing(); }

void install() {
  const std::shared_ptr<VGXClosedLidFeature> feature = sharedFeature.pointer();
  if (!feature->isInstalled()) fillSeams(feature);
  feature->install({kVGXAwakeStateDidChangeNotification, kVGXPolicyDidChangeNotification,
                    platform::kThermalStateDidChangeNotification});
}

std::optional<bool> safetyOK(bool hot, const VGXBatterySample& battery, int batteryFloorPercent) {
  if (hot) return false;
  if (!battery.hasBattery || !battery.onBatteryPower) return true;
  if (battery.percent < 0) return std::nullopt;
  return battery.percent >= batteryFloorPercent;
}

bool limitReached(const std::optional<VGXGuardStatus>& status) {
  return status &&
         (status->latch == VGXGuardLatch::batteryCap || status->latch == VGXGuardLatch::totalCap);
}

}  // namespace vigilix::VGXClosedLidComposition
