#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vigilix {

enum class VGXLidHardware { hasLid, noLid, unknown };

// The installer's registration as the service manager reports it.
enum class VGXLidRegistration { notRegistered, requiresApproval, enabled, notFound, unknown };

// What decides whether closed-lid mode can be offered. On Linux the hardware
// gate is the lid UPower reports, the platform gate (`platformSupported`) is
// whether this build ships the guard and the installer, and the install gate
// (`installedInPlace`) is whether the application runs from its installed
// path, where the guard's peer check expects it.
struct VGXLidEnvironment {
  bool isStoreBuild = false;
  VGXLidHardware hardware = VGXLidHardware::unknown;
  bool platformSupported = false;
  bool policyDisabled = false;
  bool installedInPlace = false;
  VGXLidRegistration registration = VGXLidRegistration::unknown;
  bool everRegistered = false;
  bool guardReady = false;
  std::optional<std::string> helperError;
  bool featureEnabled = false;
  bool guardJobInstalled = false;

  bool operator==(const VGXLidEnvironment&) const = default;
};

enum class VGXLidAvailabilityKind {
  helperFailed,
  hidden,
  removeOnly,
  unsupportedMac,
  unknownLid,
  policyDisabled,
  moveToApplications,
  needsHelper,
  needsApproval,
  turnedOffInSettings,
  ready,
};

struct VGXLidAvailability {
  VGXLidAvailabilityKind kind = VGXLidAvailabilityKind::hidden;
  std::string helperError;  // only for helperFailed

  bool operator==(const VGXLidAvailability&) const = default;
};

namespace VGXLidModel {

VGXLidAvailability decideAvailability(const VGXLidEnvironment& environment);

// The reason line shown for an availability; none for hidden, removeOnly and ready.
std::optional<std::string> availabilityText(const VGXLidAvailability& availability);

// The availability's name, as the menu signature and the log spell it: what
// it means on this system ("guardNotInstalled" for `unsupportedMac`,
// "notRunFromInstalledPath" for `moveToApplications`).
std::string_view availabilityName(VGXLidAvailabilityKind kind);

// Whether the user may ask to turn closed-lid mode on: only where enabling
// leads somewhere (installing, approving, retrying or switching it on).
bool allowsEnabling(VGXLidAvailabilityKind kind);

// The feature flag of the build: true for "1", "true" or "yes" in any letter
// case, white space around ignored.
bool featureFlagEnabled(std::string_view value);

// "1 hour" for 1, else "N hours".
std::string capDurationText(int hours);

inline constexpr std::string_view kMenuItemTitle = "Keep Awake With Lid Closed";
inline constexpr std::string_view kCappedReason = "Lid-closed limit reached";
inline constexpr std::string_view kHeatNote = "Stops if your computer gets hot";
inline constexpr std::string_view kLockNote = "Vigilix locks your computer when you close the lid.";
inline constexpr int kBatteryFloorChoices[] = {20, 30, 40, 50, 60};
inline constexpr int kCapHourChoices[] = {1, 2, 3, 6};

}  // namespace VGXLidModel

}  // namespace vigilix
