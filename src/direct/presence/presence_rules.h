#pragma once

#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include "direct/lock/lock_state.h"

namespace vigilix {

// What the machine says of its lid. A machine without one counts as open:
// only a reading that could not be taken is unknown.
enum class VGXLidReading { open, closed, noLid, unknown };
std::optional<bool> lidClosedGate(VGXLidReading reading);

// The inputs of one decision.
struct VGXPresenceGates {
  bool enabled = false;  // the user's switch is on and the policy allows it
  bool effectiveAwake = false;
  bool hasPostEventAccess = false;
  std::optional<bool> lidClosed;
  bool closedLidArmed = false;
  std::optional<bool> anyDisplayAwake;
  VGXLockState lock = VGXLockState::unknown;
  bool lockValidated = false;  // confirmed by a reading, not only assumed
  std::optional<double> idleSeconds;

  bool operator==(const VGXPresenceGates&) const = default;
};

// Why a nudge is not posted, in the order the gates are checked.
enum class VGXPresenceSkip {
  disabled,
  notAwake,
  noAccess,
  lidClosedOrUnknown,
  closedLidArmed,
  displayAsleepOrUnknown,
  locked,
  lockUnknown,
  notIdle,
  pointerMoved,
};
std::string_view rawValue(VGXPresenceSkip skip);
std::optional<VGXPresenceSkip> presenceSkipFromRawValue(std::string_view raw);

// A skip with its reason, or post (no value).
struct VGXPresenceDecision {
  std::optional<VGXPresenceSkip> skip;

  static VGXPresenceDecision post() { return {}; }
  static VGXPresenceDecision skipped(VGXPresenceSkip reason) { return {reason}; }
  bool isPost() const { return !skip; }
  bool operator==(const VGXPresenceDecision&) const = default;
};

struct VGXPoint {
  double x = 0;
  double y = 0;
  bool operator==(const VGXPoint&) const = default;
};

struct VGXRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  double maxX() const { return x + width; }
  bool contains(VGXPoint point) const {
    return point.x >= x && point.x < x + width && point.y >= y && point.y < y + height;
  }
  bool operator==(const VGXRect&) const = default;
};

// One active display as the display system lists it.
struct VGXDisplay {
  VGXRect bounds;
  bool asleep = false;
};

namespace VGXPresenceRules {

inline constexpr double idleThreshold = 60.0;
// How far the pointer may be from where the nudge left it and still be put back.
inline constexpr double returnTolerance = 0.5;

VGXPresenceDecision gateCheck(const VGXPresenceGates& gates);
VGXPresenceDecision decision(const VGXPresenceGates& gates);
VGXPresenceDecision returnDecision(const VGXPresenceGates& gates, VGXPoint current,
                                   VGXPoint expected);
VGXPoint nudgeTarget(VGXPoint from, VGXRect within);
// Over the active displays; none: they could not be listed.
std::optional<bool> anyDisplayAwake(const std::optional<std::vector<VGXDisplay>>& displays);
VGXRect displayBounds(const std::optional<std::vector<VGXDisplay>>& displays, VGXPoint point);

}  // namespace VGXPresenceRules
}  // namespace vigilix
