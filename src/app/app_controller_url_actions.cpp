#include <algorithm>
#include <cmath>

#include "app/app_controller.h"
#include "core/dzl_keys.h"
#include "health/direct_availability.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/weakly.h"
#include "policy/policy_gate.h"

namespace vigilix {

namespace {

struct DurationArgument {
  const char* name;
  double secondsPerUnit;
};

// The first of these present gives the duration.
constexpr DurationArgument kDurationArguments[] = {
    {"seconds", 1},
    {"minutes", 60},
    {"hours", 3600},
};

}  // namespace

void DZLAppController::configureEventHandler() {
  DZLEventHandler& handler = *environment_.eventHandler;
  using platform::weakly;
  handler.registerActionNamed("activate",
                              weakly(this, [](DZLAppController& self, const DZLEvent& event) {
                                self.handleActivateEvent(event);
                              }));
  handler.registerActionNamed("deactivate",
                              weakly(this, [](DZLAppController& self) { self.stopForUser(); }));
  handler.registerActionNamed("toggle",
                              weakly(this, [](DZLAppController& self) { self.toggleKeepAwake(); }));
  handler.registerActionNamed(
      "presence", weakly(this, [](DZLAppController& self, const DZLEvent& event) {
        if (!event.arguments) return;
        const auto enabled = event.arguments->find("enabled");
        if (enabled == event.arguments->end()) return;
        const bool on = dzl_argumentBoolValue(enabled->second);
        const auto& setPresence = VGXDirectAvailability::chatPresenceFromURL();
        if (!setPresence) {
          self.log_.log("No chat presence to set {} from the address.", on ? "on" : "off");
        } else if (!setPresence(on)) {
          // Turning it on needs the explanation in the settings first.
          self.log_.log("Chat presence is turned on only in the settings, never from an address.");
        }
      }));
}

void DZLAppController::handleActivateEvent(const DZLEvent& event) {
  if (!VGXPolicyGate::canWriteKey(defaults_, kDZLTimeIntervalKey)) return;
  if (!event.arguments) {
    lastManualTimeInterval_ = 0;
    triggerBridge_->keepAwakeIndefinitely();
    return;
  }
  for (const auto& [name, secondsPerUnit] : kDurationArguments) {
    const auto found = event.arguments->find(name);
    if (found == event.arguments->end()) continue;
    // Bounded before the product, so a large count is cut to the hub's
    // reach rather than overflowing to a refused infinity.
    const double limit = VGXTriggerBridge::kMaximumAheadSeconds;
    const double units = std::ceil(dzl_argumentNumberValue(found->second));
    const double seconds = std::clamp(units, -limit, limit) * secondsPerUnit;
    const auto accepted =
        VGXTriggerBridge::acceptedDuration(seconds, platform::Clock::current().now(), "activate");
    if (!accepted) return;
    lastManualTimeInterval_ = *accepted;
    triggerBridge_->keepAwakeForDuration(*accepted);
    return;
  }
}

}  // namespace vigilix
