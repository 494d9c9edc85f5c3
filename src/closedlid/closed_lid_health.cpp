// The controller's lines of the health check.

#include <fmt/format.h>

#include "closedlid/closed_lid_controller.h"
#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"

namespace vigilix {

namespace {

using platform::localized;

std::string registrationText(VGXLidRegistration registration) {
  switch (registration) {
    case VGXLidRegistration::notRegistered:
      return localized("not registered", "health");
    case VGXLidRegistration::requiresApproval:
      return localized("requires approval", "health");
    case VGXLidRegistration::enabled:
      return localized("enabled", "health");
    case VGXLidRegistration::notFound:
      return localized("not found", "health");
    case VGXLidRegistration::unknown:
      break;
  }
  return localized("unknown", "health");
}

std::string guardStateText(const VGXGuardState& state) {
  switch (state.kind) {
    case VGXGuardState::Kind::idle:
      return localized("idle", "health: guard state");
    case VGXGuardState::Kind::held:
      return platform::fillPlaceholders(
          localized("keeping sleep off for user %@", "health: guard state; user id"),
          {std::to_string(state.uid)});
    case VGXGuardState::Kind::draining:
      return localized("finishing a change of the helper", "health: guard state");
    case VGXGuardState::Kind::clearFailed:
      break;
  }
  return localized(
      "couldn't turn sleep back on: turn closed-lid mode off; if the computer still does not "
      "sleep, restart it",
      "health: guard state");
}

// Whether logind listed the guard's lock (sleep, idle and the lid switch
// blocked) when the guard last read it back, and how long ago.
std::string readBackText(const VGXGuardStatus& status, std::uint64_t now) {
  if (!status.lastReadback && !status.lastReadbackAt)
    return localized("not checked yet", "health: guard's lock read back");
  const std::string value =
      !status.lastReadback ? localized("could not be read", "health: guard's lock read back")
      : *status.lastReadback
          ? localized("logind holds it, sleep is off", "health: guard's lock read back")
          : localized("logind does not hold it, sleep is on", "health: guard's lock read back");
  if (!status.lastReadbackAt) return value + "; " + localized("when unknown", "health: age");
  const std::uint64_t at = *status.lastReadbackAt;
  return fmt::format("{}; {} s ago", value, now > at ? (now - at) / 1'000'000'000ULL : 0);
}

std::string safetyStopText(VGXGuardLatch latch) {
  switch (latch) {
    case VGXGuardLatch::heat:
      return localized(
          "the computer got too hot: once it has cooled, turn closed-lid mode on again",
          "health: safety stop");
    case VGXGuardLatch::battery:
      return localized(
          "the battery reached its floor: connect power, then turn closed-lid mode on again",
          "health: safety stop");
    case VGXGuardLatch::batteryCap:
      return localized("the time limit on battery was reached: turn closed-lid mode on again",
                       "health: safety stop");
    case VGXGuardLatch::totalCap:
      return localized("the time limit was reached: turn closed-lid mode on again",
                       "health: safety stop");
    case VGXGuardLatch::externallyCleared:
      return localized(
          "another program turned sleep back on: turn closed-lid mode on again if you still need "
          "it",
          "health: safety stop");
    case VGXGuardLatch::policy:
      break;
  }
  return localized("your organization turned closed-lid mode off: ask your administrator",
                   "health: safety stop");
}

}  // namespace

std::vector<VGXHealthLine> VGXClosedLidController::healthLines() const {
  using enum VGXHealthSeverity;
  const VGXLidRegistration registration = helper_.registration();
  if (availability_.kind == VGXLidAvailabilityKind::hidden)
    return {{localized("Closed-lid mode", "health"), localized("coming in an update", "health"), Ok,
             std::nullopt}};
  if (availability_.kind == VGXLidAvailabilityKind::removeOnly)
    return {{localized("Closed-lid helper", "health"),
             registrationText(registration) + "; " +
                 localized("this version has no closed-lid mode: remove the helper in the General "
                           "settings",
                           "health"),
             Warning, std::nullopt}};
  // Never set up: nothing of the helper to report, and nothing wrong.
  const bool setUp = registration == VGXLidRegistration::enabled ||
                     registration == VGXLidRegistration::requiresApproval;
  if (!settingOn_ && !setUp) {
    std::string detail = localized("off", "health: closed-lid mode");
    if (auto reason = VGXLidModel::availabilityText(availability_)) detail += "; " + *reason;
    return {{localized("Closed-lid mode", "health"), std::move(detail), Ok, std::nullopt}};
  }

  const VGXGuardClientReading reading = client_.reading();
  const std::optional<std::string> installed = inputs_.hashGuardBinary();
  std::string program;
  if (!reading.executableSHA256) {
    program = localized("the guard does not answer: turn closed-lid mode off and on again",
                        "health: guard program");
  } else if (!installed) {
    program = localized("the guard's program is missing: turn closed-lid mode off and on again",
                        "health: guard program");
  } else if (*installed != *reading.executableSHA256) {
    program = localized(
        "the guard runs another program than the one installed: turn closed-lid mode off and on "
        "again",
        "health: guard program");
  } else {
    program = localized("the guard runs the installed program", "health: guard program");
  }
  const bool sameProgram =
      installed && reading.executableSHA256 && *installed == *reading.executableSHA256;
  const std::string version = reading.status ? reading.status->guardVersion : "unknown";
  std::vector<VGXHealthLine> lines;
  lines.push_back(
      {localized("Closed-lid helper", "health"),
       fmt::format("{}; guard {}; {}", registrationText(registration), version, program),
       sameProgram ? Ok : Warning, std::nullopt});
  const std::string never = localized("none", "health");
  const std::string guardState = localized("Guard state", "health");
  const std::string readBack = localized("Guard's lock last checked", "health");
  const std::string safetyStop = localized("Safety stop", "health");
  if (!reading.status) {
    lines.push_back({guardState, localized("unknown", "health"), Ok, std::nullopt});
    lines.push_back({readBack, never, Ok, std::nullopt});
    lines.push_back({safetyStop, never, Ok, std::nullopt});
    return lines;
  }
  const VGXGuardStatus& status = *reading.status;
  const bool failed = status.state.kind == VGXGuardState::Kind::clearFailed;
  lines.push_back({guardState, guardStateText(status.state), failed ? Error : Ok, std::nullopt});
  lines.push_back({readBack, readBackText(status, inputs_.nowNanoseconds()), Ok, std::nullopt});
  lines.push_back({safetyStop, status.latch ? safetyStopText(*status.latch) : never,
                   status.latch ? Warning : Ok, std::nullopt});
  return lines;
}

}  // namespace vigilix
