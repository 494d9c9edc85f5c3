#include "direct/presence/presence_rules.h"

#include <array>
#include <cmath>
#include <utility>

#include "platform/base/raw_values.h"

namespace vigilix {

namespace {
constexpr std::array<std::pair<VGXPresenceSkip, std::string_view>, 10> kSkipNames = {{
    {VGXPresenceSkip::disabled, "disabled"},
    {VGXPresenceSkip::notAwake, "notAwake"},
    {VGXPresenceSkip::noAccess, "noAccess"},
    {VGXPresenceSkip::lidClosedOrUnknown, "lidClosedOrUnknown"},
    {VGXPresenceSkip::closedLidArmed, "closedLidArmed"},
    {VGXPresenceSkip::displayAsleepOrUnknown, "displayAsleepOrUnknown"},
    {VGXPresenceSkip::locked, "locked"},
    {VGXPresenceSkip::lockUnknown, "lockUnknown"},
    {VGXPresenceSkip::notIdle, "notIdle"},
    {VGXPresenceSkip::pointerMoved, "pointerMoved"},
}};
constexpr VGXRect kNoDisplay{0, 0, 1, 1};
}  // namespace

std::optional<bool> lidClosedGate(VGXLidReading reading) {
  switch (reading) {
    case VGXLidReading::closed:
      return true;
    case VGXLidReading::open:
    case VGXLidReading::noLid:
      return false;
    case VGXLidReading::unknown:
      break;
  }
  return std::nullopt;
}

std::string_view rawValue(VGXPresenceSkip skip) { return platform::rawValueIn(kSkipNames, skip); }

std::optional<VGXPresenceSkip> presenceSkipFromRawValue(std::string_view raw) {
  return platform::caseWithRawValue<VGXPresenceSkip>(kSkipNames, raw);
}

namespace VGXPresenceRules {

VGXPresenceDecision gateCheck(const VGXPresenceGates& gates) {
  using Skip = VGXPresenceSkip;
  const auto skip = VGXPresenceDecision::skipped;
  if (!gates.enabled) return skip(Skip::disabled);
  if (!gates.effectiveAwake) return skip(Skip::notAwake);
  if (!gates.hasPostEventAccess) return skip(Skip::noAccess);
  if (gates.lidClosed.value_or(true)) return skip(Skip::lidClosedOrUnknown);
  if (gates.closedLidArmed) return skip(Skip::closedLidArmed);
  if (!gates.anyDisplayAwake.value_or(false)) return skip(Skip::displayAsleepOrUnknown);
  if (gates.lock == VGXLockState::locked) return skip(Skip::locked);
  if (gates.lock == VGXLockState::unknown || !gates.lockValidated) return skip(Skip::lockUnknown);
  return VGXPresenceDecision::post();
}

VGXPresenceDecision decision(const VGXPresenceGates& gates) {
  const VGXPresenceDecision gate = gateCheck(gates);
  if (!gate.isPost()) return gate;
  if (gates.idleSeconds && *gates.idleSeconds >= idleThreshold) return gate;
  return VGXPresenceDecision::skipped(VGXPresenceSkip::notIdle);
}

VGXPresenceDecision returnDecision(const VGXPresenceGates& gates, VGXPoint current,
                                   VGXPoint expected) {
  const VGXPresenceDecision gate = gateCheck(gates);
  if (!gate.isPost()) return gate;
  if (std::abs(current.x - expected.x) > returnTolerance ||
      std::abs(current.y - expected.y) > returnTolerance) {
    return VGXPresenceDecision::skipped(VGXPresenceSkip::pointerMoved);
  }
  return gate;
}

VGXPoint nudgeTarget(VGXPoint from, VGXRect within) {
  if (within.maxX() <= from.x + 1.0) return {from.x - 1.0, from.y};
  return {from.x + 1.0, from.y};
}

std::optional<bool> anyDisplayAwake(const std::optional<std::vector<VGXDisplay>>& displays) {
  if (!displays) return std::nullopt;
  for (const VGXDisplay& display : *displays) {
    if (!display.asleep) return true;
  }
  return false;
}

VGXRect displayBounds(const std::optional<std::vector<VGXDisplay>>& displays, VGXPoint point) {
  if (!displays || displays->empty()) return kNoDisplay;
  for (const VGXDisplay& display : *displays) {
    if (display.bounds.contains(point)) return display.bounds;
  }
  return displays->front().bounds;
}

}  // namespace VGXPresenceRules
}  // namespace vigilix
