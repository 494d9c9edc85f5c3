// The controller's lines of the health check.

#include <fmt/format.h>

#include "closedlid/closed_lid_controller.h"
#include "platform/base/localized.h"
#include "sleepguard/common/guard_wire.h"

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

std::string readbackText(const VGXGuardStatus& status, std::uint64_t now) {
  const char* value = !status.lastReadback ? "unknown" : *status.lastReadback ? "1" : "0";
  if (!status.lastReadbackAt) return fmt::format("{}, unknown ago", value);
  const std::uint64_t at = *status.lastReadbackAt;
  return fmt::format("{}, {}s ago", value, now > at ? (now - at) / 1'000'000'000ULL : 0);
}

}  // namespace

std::vector<VGXHealthLine> VGXClosedLidController::healthLines() const {
  using enum VGXHealthSeverity;
  const VGXLidRegistration registration = helper_.registration();
  if (availability_.kind == VGXLidAvailabilityKind::hidden)
    return {{localized("Closed-lid mode", "health"), localized("coming in an update", "health"), Ok,
             std::nullopt}};
  if (availability_.kind == VGXLidAvailabilityKind::removeOnly)
    return {{localized("Closed-lid helper", "health"), registrationText(registration), Warning,
             std::nullopt}};

  const VGXGuardClientReading reading = client_.reading();
  const std::optional<std::string> installed = inputs_.hashGuardBinary();
  const char* sha = !installed || !reading.executableSHA256   ? "SHA unknown"
                    : *installed == *reading.executableSHA256 ? "SHA match"
                                                              : "SHA mismatch";
  const bool shaMatches = std::string_view(sha) == "SHA match";
  const std::string version = reading.status ? reading.status->guardVersion : "unknown";
  std::vector<VGXHealthLine> lines;
  lines.push_back({localized("Closed-lid helper", "health"),
                   fmt::format("{}; guard {}; {}", registrationText(registration), version, sha),
                   shaMatches ? Ok : Warning, std::nullopt});
  if (!reading.status) {
    lines.push_back({localized("Guard state", "health"), "unknown", Ok, std::nullopt});
    lines.push_back({localized("Last readback", "health"), "none", Ok, std::nullopt});
    lines.push_back({localized("Latch", "health"), "none", Ok, std::nullopt});
    return lines;
  }
  const VGXGuardStatus& status = *reading.status;
  const bool failed = status.state.kind == VGXGuardState::Kind::clearFailed;
  lines.push_back({localized("Guard state", "health"), VGXGuardWire::wireText(status.state),
                   failed ? Error : Ok, std::nullopt});
  lines.push_back({localized("Last readback", "health"),
                   readbackText(status, inputs_.nowNanoseconds()), Ok, std::nullopt});
  lines.push_back({localized("Latch", "health"),
                   status.latch ? std::string(rawValue(*status.latch)) : "none",
                   status.latch ? Warning : Ok, std::nullopt});
  return lines;
}

}  // namespace vigilix
