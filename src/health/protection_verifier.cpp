#include "health/protection_verifier.h"

#include <fmt/format.h>

#include "health/session_notifications.h"
#include "platform/base/shared_instances.h"
#include "platform/power/lid_state.h"
#include "platform/power/logind_power_assertions.h"
#include "platform/power/power_sources.h"
#include "platform/power/thermal_state.h"
#include "platform/runloop/clock.h"

namespace vigilix {

namespace {

using State = VGXProtectionState;
using Cause = VGXIncident::Cause;

constinit platform::SharedInstance<VGXProtectionVerifier> sharedVerifier{
    +[] { return std::make_shared<VGXProtectionVerifier>(platform::UserDefaults::standard()); }};

}  // namespace

VGXProtectionVerifier::VGXProtectionVerifier(platform::UserDefaults& defaults)
    : defaults_(defaults), incidentLog_(defaults, kVGXIncidentLogKey) {}

VGXProtectionVerifier::~VGXProtectionVerifier() {
  if (timer_) timer_->invalidate();
}

VGXProtectionVerifier& VGXProtectionVerifier::shared() { return sharedVerifier.get(); }

std::optional<VGXPauseReason> VGXProtectionVerifier::currentPause() const {
  if (providers_.pause) return providers_.pause();
  if (says(hub_.heatBlocked)) return VGXPauseReason::heat;
  if (says(hub_.batteryBlocked)) return VGXPauseReason::battery;
  if (says(hub_.lowPowerModeEnabled)) return VGXPauseReason::lowPowerMode;
  if (says(providers_.closedLidLimit)) return VGXPauseReason::closedLidLimit;
  return std::nullopt;
}

bool VGXProtectionVerifier::currentIntent() const {
  return providers_.intent ? providers_.intent() : says(hub_.isAwake);
}

platform::Date VGXProtectionVerifier::now() const {
  return providers_.now ? providers_.now() : platform::Clock::current().now();
}

std::optional<bool> VGXProtectionVerifier::readClamshellState() {
  return platform::LidState::current().isLidClosed();
}

std::string VGXProtectionVerifier::assertionTypeName(platform::LockKind kind) {
  // As `systemd-inhibit --list` shows the lock: what it inhibits, and its mode.
  return fmt::format("logind lock {} ({})", platform::logindWhat(kind), platform::kLogindLockMode);
}

std::optional<std::string> VGXProtectionVerifier::ownAssertionType(const platform::Lock& lock) {
  if (!lock.reason.starts_with(kAssertionNamePrefix)) return std::nullopt;
  return assertionTypeName(lock.kind);
}

VGXProtectionInputs VGXProtectionVerifier::gatherInputs() const {
  VGXProtectionInputs inputs;
  inputs.pause = currentPause();
  if (expected_) {
    for (const platform::LockKind kind : expected_())
      inputs.expectedAssertionTypes.insert(assertionTypeName(kind));
  }
  if (inputs.expectedAssertionTypes.empty() && says(providers_.createFailed)) {
    inputs.expectedAssertionTypes = {assertionTypeName(platform::LockKind::systemSleep)};
  }
  const bool intent = currentIntent();
  inputs.closedLidClearFailed = says(providers_.closedLidClearFailed);
  inputs.closedLidArmed = says(providers_.closedLidArmed);
  inputs.closedLidHeldFresh =
      providers_.closedLidHeldFresh ? providers_.closedLidHeldFresh() : std::nullopt;
  inputs.intentAwake = intent || inputs.pause.has_value();
  return inputs;
}

void VGXProtectionVerifier::inspectAssertions() {
  if (providers_.inspect) {
    std::tie(observed_, inspectionError_) = providers_.inspect();
    return;
  }
  auto own =
      platform::PowerAssertions::current().ownLocksAfterPendingChanges(kInspectionWaitSeconds);
  if (!own) {
    observed_.reset();
    inspectionError_ =
        fmt::format("Assertion inspection failed ({})", platform::lockErrorCode(own.error()));
    return;
  }
  std::set<std::string> types;
  for (const platform::Lock& lock : *own) {
    if (auto type = ownAssertionType(lock)) types.insert(std::move(*type));
  }
  observed_ = std::move(types);
  inspectionError_.reset();
}

void VGXProtectionVerifier::check() {
  if (!started_ || checking_) return;
  checking_ = true;
  const State previous = state_;

  VGXProtectionInputs inputs = gatherInputs();
  lastEligibility_ = inputs;
  const auto evaluate = [&] {
    inspectAssertions();
    inputs.observedAssertionTypes = observed_;
    inputs.inspectionError = inspectionError_;
    return VGXProtectionModel::evaluate(inputs);
  };
  State result = evaluate();
  if (result.is<State::missing>() && !inputs.pause) {
    if (repair_) (void)repair_();
    inputs.repairAttempted = true;
    result = evaluate();
  }
  state_ = result;

  if (state_.is<State::missing>() && !previous.is<State::missing>()) {
    incidentLog_.record(
        VGXIncident::make(VGXIncident::Kind::protectionLost, Cause::unknown, now()));
    VGXSessionNotifications::shared().postProtectionLost();
    (void)settleSleepIncidents();
    if (changed_) changed_();
  } else if (settleSleepIncidents() || state_ != previous) {
    if (changed_) changed_();
  }
  checking_ = false;
}

bool VGXProtectionVerifier::settleSleepIncidents() {
  if (state_.needsAttention()) {
    passingSince_.reset();
    return false;
  }
  const platform::Date current = now();
  if (!passingSince_) passingSince_ = current;
  if (current - *passingSince_ < kSettleSeconds) return false;
  bool unsettled = false;
  {
    std::lock_guard guard(incidentLog_.lock());
    for (const VGXIncident& incident : incidentLog_.load()) {
      unsettled |= !incident.acknowledged && incident.kind == VGXIncident::Kind::sleptWhileAwake;
    }
  }
  if (!unsettled) return false;
  incidentLog_.acknowledge(VGXIncident::Kind::sleptWhileAwake);
  return true;
}

void VGXProtectionVerifier::recordSleepIncident() {
  const auto pause = currentPause();
  const bool intent = currentIntent();
  if (!intent && !pause) return;
  Cause cause = Cause::unknown;
  if (pause) {
    cause = Cause::expectedPause;
  } else if (readClamshellState().value_or(false)) {
    cause = Cause::lidClosed;
  } else if (platform::PowerSources::current().batteryWarningLevel() ==
             platform::BatteryWarningLevel::Final) {
    cause = Cause::batteryCritical;
  } else if (platform::ThermalMonitor::current().thermalState() ==
             platform::ThermalState::Critical) {
    cause = Cause::thermalCritical;
  }
  incidentLog_.record(VGXIncident::make(VGXIncident::Kind::sleptWhileAwake, cause, now()));
  passingSince_.reset();
  if (changed_) changed_();
}

void VGXProtectionVerifier::periodicCheck() {
  const bool idle = !currentIntent() && !currentPause() && !state_.needsAttention() &&
                    !incidentLog_.hasUnacknowledged();
  if (!idle) check();
}

void VGXProtectionVerifier::inputsDidChange() {
  if (!started_) return;
  if (!lastEligibility_ || *lastEligibility_ != gatherInputs()) check();
}

bool VGXProtectionVerifier::hasAttention() const {
  return state_.needsAttention() || incidentLog_.hasUnacknowledged();
}

void VGXProtectionVerifier::dismissIncidents() {
  incidentLog_.acknowledgeAll();
  if (changed_) changed_();
}

}  // namespace vigilix
