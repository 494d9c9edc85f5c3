#pragma once

#include <memory>
#include <optional>

#include "closedlid/closed_lid_feature.h"
#include "hub/trigger_bridge.h"
#include "keepawake/power_readings.h"

namespace vigilix {

// The closed-lid controller of the running program, made on first use over
// the machine's own parts (or those a test put in the seam first).
namespace VGXClosedLidComposition {

// What the shared feature is made from; replace before first use.
std::function<VGXClosedLidParts()>& partsSeam();
VGXClosedLidFeature& shared();
// The shared feature if it was made, without making it.
std::shared_ptr<VGXClosedLidFeature> existing();

// Installs the shared feature, then fills the verifier's closed-lid
// providers, the hub's hook before each manual start, the status menu's item
// and signature and the health lines; the seams are filled only once.
void install();

// The application's own safety check: false when the computer is hot; on
// battery, whether the charge is at the floor or above (none when it cannot
// be read).
std::optional<bool> safetyOK(bool hot, const VGXBatterySample& battery, int batteryFloorPercent);

// The closed-lid limit the verifier tells from a failure: the guard's time cap latched.
bool limitReached(const std::optional<VGXGuardStatus>& status);

}  // namespace VGXClosedLidComposition

}  // namespace vigilix
