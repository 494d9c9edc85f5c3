#include "closedlid/closed_lid_controller.h"

#include "closedlid/closed_lid_settings.h"

namespace vigilix {

namespace {

using enum VGXLidAvailabilityKind;
namespace Keys = VGXClosedLidKeys;

bool availabilityHidesMode(VGXLidAvailabilityKind kind) {
  return kind == hidden || kind == removeOnly;
}

}  // namespace

VGXClosedLidController::VGXClosedLidController(platform::UserDefaults& defaults,
                                               VGXClosedLidInputs inputs,
                                               VGXClosedLidEffects effects,
                                               VGXClosedLidGuardLink& client,
                                               VGXClosedLidHelperLink& helper)
    : defaults_(defaults),
      inputs_(std::move(inputs)),
      effects_(std::move(effects)),
      client_(client),
      helper_(helper) {
  Keys::registerDefaults(defaults_);
}

int VGXClosedLidController::batteryFloor() const { return Keys::effectiveBatteryFloor(defaults_); }

int VGXClosedLidController::batteryCapHours() const {
  return Keys::effectiveBatteryCapHours(defaults_);
}

void VGXClosedLidController::write(const char* key, bool value) {
  // Every write tells every defaults observer, the hub among them, whose
  // answer comes back here: a write that changes nothing would never end.
  if (defaults_.boolValue(key) == value) return;
  applyingDefaults_ = true;
  defaults_.set(key, value);
  applyingDefaults_ = false;
}

VGXLidEnvironment VGXClosedLidController::environment(VGXLidRegistration registration) const {
  const bool featureEnabled = inputs_.featureEnabled();
  const bool registeredOrWaiting = registration == VGXLidRegistration::enabled ||
                                   registration == VGXLidRegistration::requiresApproval;
  return {.isStoreBuild = inputs_.isStoreBuild(),
          .hardware =
              [&] {
                switch (inputs_.lid().presence) {
                  case platform::LidPresence::hasLid:
                    return VGXLidHardware::hasLid;
                  case platform::LidPresence::noLid:
                    return VGXLidHardware::noLid;
                  case platform::LidPresence::unknown:
                    break;
                }
                return VGXLidHardware::unknown;
              }(),
          .platformSupported = inputs_.platformSupported(),
          .policyDisabled = inputs_.policyDisabled(),
          .installedInPlace = inputs_.installedInPlace(),
          .registration = registration,
          .everRegistered = defaults_.boolValue(Keys::everRegistered).value_or(false),
          .guardReady = featureEnabled && client_.reading().ready,
          .helperError = helperError_,
          .featureEnabled = featureEnabled,
          .guardJobInstalled = registeredOrWaiting || inputs_.guardJobFilePresent()};
}

void VGXClosedLidController::recompute(bool userInitiated) {
  if (recomputing_) return;
  recomputing_ = true;
  const VGXLidRegistration registration = helper_.registration();
  if (registration == VGXLidRegistration::enabled) write(Keys::everRegistered, true);
  settingOn_ = defaults_.boolValue(Keys::enabled).value_or(false);
  isRegistered_ = registration == VGXLidRegistration::enabled ||
                  registration == VGXLidRegistration::requiresApproval;
  lidClosed_ = inputs_.lid().closed;
  availability_ = VGXLidModel::decideAvailability(environment(registration));

  if (availabilityHidesMode(availability_.kind)) {
    // A lease taken before the mode went away must not be renewed on.
    if (lastArmed_) client_.setArmed(false, userInitiated, batteryFloor(), batteryCapHours());
    lastArmed_ = false;
  } else {
    const VGXGuardClientReading reading = client_.reading();
    const bool notLatched = !defaults_.boolValue(Keys::latchedUntilRearm).value_or(false) &&
                            (!reading.status || !reading.status->latch);
    const bool safetyOK = inputs_.safetyOK(batteryFloor()).value_or(false);
    const bool armed = settingOn_ && availability_.kind == ready && inputs_.effectiveAwake() &&
                       notLatched && safetyOK;
    lastArmed_ = armed;
    if (armed) didUseClosedLidThisSession_ = true;
    if (!inputs_.isManualSession()) didUseClosedLidThisSession_ = false;
    client_.setArmed(armed, userInitiated, batteryFloor(), batteryCapHours());
    latchNoticeStep(client_.reading());
  }

  // With logind's lid handling held off nothing else locks a closed laptop.
  const bool closedWhileArmed = lastArmed_ && lidClosed_ == true;
  if (closedWhileArmed && !lockedWhileClosed_ && effects_.lockSession) effects_.lockSession();
  lockedWhileClosed_ = closedWhileArmed;

  if (effects_.changed) effects_.changed();
  recomputing_ = false;
}

void VGXClosedLidController::latchNoticeStep(const VGXGuardClientReading& reading) {
  if (!reading.status) {
    lastLatch_.reset();
    return;
  }
  const std::optional<VGXGuardLatch> latch = reading.status->latch;
  if (latch && latch != lastLatch_ && effects_.postLatched) {
    switch (*latch) {
      case VGXGuardLatch::heat:
        effects_.postLatched(ClosedLidLatchCause::heat);
        break;
      case VGXGuardLatch::battery:
        effects_.postLatched(ClosedLidLatchCause::battery);
        break;
      case VGXGuardLatch::batteryCap:
      case VGXGuardLatch::totalCap:
        effects_.postLatched(ClosedLidLatchCause::lidCap);
        break;
      case VGXGuardLatch::externallyCleared:
      case VGXGuardLatch::policy:
        break;
    }
  }
  lastLatch_ = latch;
}

void VGXClosedLidController::lidChanged() {
  const std::optional<bool> closed = inputs_.lid().closed;
  const std::optional<bool> previous = previousLidClosed_;
  previousLidClosed_ = closed;
  if (previous == true && closed == false) lidOpened();
  recompute(false);
}

void VGXClosedLidController::lidOpened() {
  if (!defaults_.boolValue(Keys::endSessionOnLidOpen).value_or(false)) return;
  if (!didUseClosedLidThisSession_ && !lastArmed_ && !settingOn_) return;
  if (!inputs_.isManualSession()) return;
  write(Keys::latchedUntilRearm, true);
  if (effects_.endManualSession) effects_.endManualSession();
  if (effects_.postLidOpened) effects_.postLidOpened();
  didUseClosedLidThisSession_ = false;
}

void VGXClosedLidController::manualSessionStarting() {
  write(Keys::latchedUntilRearm, false);
  recompute(true);
}

void VGXClosedLidController::requestEnable() {
  if (!inputs_.featureEnabled()) return;
  const VGXLidAvailability now =
      VGXLidModel::decideAvailability(environment(helper_.registration()));
  // Installing a root helper where the mode cannot run, or against the policy, helps no one.
  if (!VGXLidModel::allowsEnabling(now.kind) || !effects_.confirmEnabling) {
    disable();
    return;
  }
  effects_.confirmEnabling(batteryFloor(), batteryCapHours(), [this](bool confirmed) {
    if (confirmed) {
      registrationFlow();
    } else {
      disable();
    }
  });
}

void VGXClosedLidController::disable() {
  write(Keys::enabled, false);
  recompute(true);
}

void VGXClosedLidController::setBatteryFloor(int percent) {
  applyingDefaults_ = true;
  defaults_.set(Keys::batteryFloor, percent);
  applyingDefaults_ = false;
  recompute(false);
}

void VGXClosedLidController::setBatteryCapHours(int hours) {
  applyingDefaults_ = true;
  defaults_.set(Keys::batteryCapHours, hours);
  applyingDefaults_ = false;
  recompute(false);
}

void VGXClosedLidController::toggleFromMenu() {
  if (settingOn_) {
    disable();
  } else {
    requestEnable();
  }
}

void VGXClosedLidController::registrationFlow() {
  helperError_.reset();
  const VGXLidRegistration registration = helper_.registration();
  if (registration == VGXLidRegistration::enabled ||
      registration == VGXLidRegistration::requiresApproval) {
    registered(registration);
    return;
  }
  helper_.registerHelper([this](std::optional<std::string> failure) {
    if (failure) {
      helperError_ = std::move(failure);
      disable();
      return;
    }
    registered(helper_.registration());
  });
}

void VGXClosedLidController::registered(VGXLidRegistration registration) {
  switch (registration) {
    case VGXLidRegistration::enabled:
      write(Keys::everRegistered, true);
      write(Keys::enabled, true);
      helper_.install([this](std::optional<std::string> failure) {
        installFinished(std::move(failure), true);
      });
      return;
    case VGXLidRegistration::requiresApproval:
      write(Keys::enabled, true);
      approvalTicks_ = 0;
      recompute(true);
      return;
    default:
      disable();
      return;
  }
}

void VGXClosedLidController::approvalTick() {
  if (approvalTicks_ < 0) return;
  ++approvalTicks_;
  if (helper_.registration() == VGXLidRegistration::enabled) {
    approvalTicks_ = -1;
    write(Keys::everRegistered, true);
    helper_.install(
        [this](std::optional<std::string> failure) { installFinished(std::move(failure), false); });
    return;
  }
  if (approvalTicks_ >= kApprovalTickLimit) approvalTicks_ = -1;
  recompute(false);
}

void VGXClosedLidController::installFinished(std::optional<std::string> failure,
                                             bool userInitiated) {
  helperError_ = std::move(failure);
  recompute(userInitiated);
}

void VGXClosedLidController::removeHelper() {
  helper_.uninstall([this](std::optional<std::string> failure) {
    if (!failure) {
      removeFailed_ = false;
      helperError_.reset();
      // The user removed it: nobody else turned it off, and turning the mode
      // on again installs it anew.
      write(Keys::everRegistered, false);
      disable();
      return;
    }
    removeFailed_ = true;
    if (effects_.changed) effects_.changed();
    if (!effects_.offerRemovalRetry) return;
    effects_.offerRemovalRetry([this](bool again) {
      if (again) removeHelper();
    });
  });
}

bool VGXClosedLidController::capLatched() const {
  const auto reading = client_.reading();
  return reading.status && (reading.status->latch == VGXGuardLatch::batteryCap ||
                            reading.status->latch == VGXGuardLatch::totalCap);
}

VGXClosedLidMenuItem VGXClosedLidController::menuItem() const {
  VGXClosedLidMenuItem item;
  item.hidden = availabilityHidesMode(availability_.kind);
  const bool capped = capLatched();
  item.enabled = availability_.kind == ready && !capped;
  item.on = settingOn_;
  item.help = availability_.kind == ready && capped
                  ? std::optional<std::string>(VGXLidModel::kCappedReason)
                  : VGXLidModel::availabilityText(availability_);
  return item;
}

std::string VGXClosedLidController::menuSignature() const {
  return std::string(VGXLidModel::availabilityName(availability_.kind)) + "|" +
         (settingOn_ ? "true" : "false") + "|" + (capLatched() ? "true" : "false");
}

bool VGXClosedLidController::clearFailed() const {
  const auto reading = client_.reading();
  return reading.status && reading.status->state.kind == VGXGuardState::Kind::clearFailed;
}

std::optional<bool> VGXClosedLidController::heldFresh() const {
  const auto reading = client_.reading();
  if (!reading.status) return std::nullopt;
  const VGXGuardStatus& status = *reading.status;
  if (!status.state.isHeldBy(inputs_.uid) || status.lastReadback != true || !status.lastReadbackAt)
    return false;
  const std::uint64_t now = inputs_.nowNanoseconds();
  return now >= *status.lastReadbackAt && now - *status.lastReadbackAt <= 30'000'000'000ULL;
}

}  // namespace vigilix
