#include "closedlid/lid_availability.h"

#include <algorithm>
#include <cctype>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "sleepguard/common/guard_names.h"

namespace vigilix {

namespace VGXLidModel {

namespace {
using enum VGXLidAvailabilityKind;

VGXLidAvailability of(VGXLidAvailabilityKind kind) { return {kind, {}}; }
}  // namespace

VGXLidAvailability decideAvailability(const VGXLidEnvironment& e) {
  if (!e.featureEnabled) return of(e.guardJobInstalled ? removeOnly : hidden);
  if (e.isStoreBuild || e.hardware == VGXLidHardware::noLid) return of(hidden);
  if (!e.platformSupported) return of(unsupportedMac);
  if (e.hardware == VGXLidHardware::unknown) return of(unknownLid);
  if (e.policyDisabled) return of(policyDisabled);
  if (!e.installedInPlace) return of(moveToApplications);
  switch (e.registration) {
    case VGXLidRegistration::requiresApproval:
      return of(needsApproval);
    case VGXLidRegistration::unknown:
      return of(needsHelper);
    case VGXLidRegistration::notRegistered:
    case VGXLidRegistration::notFound:
      return of(e.everRegistered ? turnedOffInSettings : needsHelper);
    case VGXLidRegistration::enabled:
      break;
  }
  if (e.helperError) return {helperFailed, *e.helperError};
  return of(e.guardReady ? ready : needsHelper);
}

std::optional<std::string> availabilityText(const VGXLidAvailability& a) {
  using platform::localized;
  switch (a.kind) {
    case hidden:
    case removeOnly:
    case ready:
      return std::nullopt;
    case unsupportedMac:
      return localized("Not available on this computer yet", "closed-lid reason");
    case unknownLid:
      return localized("Couldn't check this computer's lid", "closed-lid reason");
    case policyDisabled:
      return localized("Managed by your organization.", "closed-lid reason");
    case moveToApplications:
      return platform::fillPlaceholders(localized("Move Vigilix to %@ first", "closed-lid reason"),
                                        {VGXGuardNames::appPath()});
    case needsHelper:
      return localized("Needs a helper to be installed", "closed-lid reason");
    case needsApproval:
      return localized("Allow Vigilix when the administrator password is asked for",
                       "closed-lid reason");
    case turnedOffInSettings:
      return localized("Turned off by an administrator", "closed-lid reason");
    case helperFailed:
      return platform::fillPlaceholders(
          localized("Couldn't set up the helper: %@", "closed-lid reason"), {a.helperError});
  }
  return std::nullopt;
}

std::string_view availabilityName(VGXLidAvailabilityKind kind) {
  switch (kind) {
    case helperFailed:
      return "helperFailed";
    case hidden:
      return "hidden";
    case removeOnly:
      return "removeOnly";
    case unsupportedMac:
      return "guardNotInstalled";
    case unknownLid:
      return "unknownLid";
    case policyDisabled:
      return "policyDisabled";
    case moveToApplications:
      return "notRunFromInstalledPath";
    case needsHelper:
      return "needsHelper";
    case needsApproval:
      return "needsApproval";
    case turnedOffInSettings:
      return "turnedOffInSettings";
    case ready:
      return "ready";
  }
  return "hidden";
}

bool allowsEnabling(VGXLidAvailabilityKind kind) {
  return kind == needsHelper || kind == needsApproval || kind == turnedOffInSettings ||
         kind == helperFailed || kind == ready;
}

bool featureFlagEnabled(std::string_view value) {
  auto space = [](unsigned char c) { return std::isspace(c) != 0; };
  while (!value.empty() && space(value.front())) value.remove_prefix(1);
  while (!value.empty() && space(value.back())) value.remove_suffix(1);
  std::string lower(value);
  std::ranges::transform(lower, lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower == "1" || lower == "true" || lower == "yes";
}

std::string capDurationText(int hours) {
  if (hours == 1) return platform::localized("1 hour", "closed-lid cap");
  return platform::fillPlaceholders(platform::localized("%d hours", "closed-lid cap"),
                                    {std::to_string(hours)});
}

}  // namespace VGXLidModel

}  // namespace vigilix
