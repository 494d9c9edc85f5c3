#include "health/protection_state.h"

#include <algorithm>

#include "platform/base/localized.h"

namespace vigilix {

namespace {

using State = VGXProtectionState;

std::string pauseText(VGXPauseReason reason) {
  switch (reason) {
    case VGXPauseReason::battery:
      return platform::localized("Paused because your computer's battery is low",
                                 "Menu header: keep-awake paused by the battery safety rule");
    case VGXPauseReason::heat:
      return platform::localized("Paused because your computer is hot",
                                 "Menu header: keep-awake paused by the heat safety rule");
    case VGXPauseReason::closedLidLimit:
      return platform::localized("Lid-closed limit reached",
                                 "Menu header: the closed-lid time limit paused keep-awake");
    case VGXPauseReason::lowPowerMode:
      return platform::localized("Paused because Low Power Mode is on",
                                 "Menu header: keep-awake paused by Low Power Mode");
  }
  return {};
}

State unknownBecause(const std::optional<std::string>& error, const char* fallback) {
  return State{State::unknown{error.value_or(fallback)}};
}

}  // namespace

bool VGXProtectionState::needsAttention() const {
  return is<unknown>() || is<missing>() || is<closedLidClearFailed>();
}

std::optional<std::string> VGXProtectionState::headerText() const {
  if (const auto* pause = std::get_if<deliberatePause>(&value)) return pauseText(pause->reason);
  if (is<unknown>()) {
    return platform::localized("Couldn't check whether your computer is protected",
                               "Menu header: the protection check could not inspect the system");
  }
  if (is<missing>()) {
    return platform::localized("Vigilix couldn't keep your computer awake",
                               "Menu header: the keep-awake protection was lost");
  }
  if (is<closedLidClearFailed>()) {
    return platform::localized("Vigilix couldn't turn sleep back on \u2014 Check Health\u2026",
                               "Menu header: the closed-lid helper could not restore sleep");
  }
  return std::nullopt;
}

namespace VGXProtectionModel {

VGXProtectionState evaluate(const VGXProtectionInputs& inputs) {
  if (inputs.closedLidClearFailed) return State{State::closedLidClearFailed{}};
  if (!inputs.intentAwake) return State{State::notExpected{}};
  if (inputs.pause) return State{State::deliberatePause{*inputs.pause}};
  if (inputs.closedLidArmed) {
    if (!inputs.closedLidHeldFresh) {
      return unknownBecause(inputs.inspectionError, "closed-lid inspection failed");
    }
    if (!*inputs.closedLidHeldFresh) return State{State::missing{}};
  }
  if (const auto& observed = inputs.observedAssertionTypes) {
    const bool held =
        std::ranges::all_of(inputs.expectedAssertionTypes,
                            [&](const std::string& type) { return observed->contains(type); });
    return held ? State{State::verified{}} : State{State::missing{}};
  }
  return unknownBecause(inputs.inspectionError, "inspection failed");
}

}  // namespace VGXProtectionModel

}  // namespace vigilix
