#pragma once

#include <functional>
#include <optional>
#include <string>

#include "closedlid/lid_availability.h"
#include "health/keep_awake_notification_request.h"
#include "platform/power/lid_watcher.h"
#include "sleepguard/core/guard_values.h"

namespace vigilix {

// What the controller reads of the guard client.
struct VGXGuardClientReading {
  bool ready = false;
  std::optional<VGXGuardStatus> status;
  std::optional<std::string> executableSHA256;
};

// The guard client as the controller drives it.
class VGXClosedLidGuardLink {
 public:
  virtual ~VGXClosedLidGuardLink() = default;
  virtual void setArmed(bool armed, bool userInitiated, int batteryFloorPercent,
                        int batteryCapHours) = 0;
  virtual VGXGuardClientReading reading() const = 0;
};

// The installer's registration and its requests. Completions carry the
// failure message, none on success; they run on the main thread.
class VGXClosedLidHelperLink {
 public:
  using Completion = std::function<void(std::optional<std::string> failure)>;
  virtual ~VGXClosedLidHelperLink() = default;
  virtual VGXLidRegistration registration() = 0;
  // Registers the installer. polkit may ask for the administrator password
  // meanwhile, so the answer (the failure's text, none on success) comes
  // later, on the main thread.
  virtual void registerHelper(Completion completion) = 0;
  // Asks for the authorization again, the road to approval.
  virtual void requestApproval() = 0;
  virtual void install(Completion completion) = 0;
  virtual void uninstall(Completion completion) = 0;
};

// What the controller reads of the application and the machine.
struct VGXClosedLidInputs {
  std::function<bool()> featureEnabled;
  std::function<bool()> isStoreBuild;
  std::function<bool()> platformSupported;
  std::function<bool()> policyDisabled;
  std::function<bool()> installedInPlace;
  std::function<bool()> guardJobFilePresent;
  std::function<platform::LidReading()> lid;
  std::function<bool()> effectiveAwake;
  std::function<bool()> isManualSession;
  // The application's own safety check with the battery floor; none when
  // the battery cannot be read.
  std::function<std::optional<bool>(int batteryFloorPercent)> safetyOK;
  std::function<std::optional<std::string>()> hashGuardBinary;
  std::function<std::uint64_t()> nowNanoseconds;
  std::uint32_t uid = 0;
};

// What the controller does to the rest of the application.
struct VGXClosedLidEffects {
  std::function<void()> endManualSession;
  std::function<void(ClosedLidLatchCause)> postLatched;
  std::function<void()> postLidOpened;
  // Locks the user's session (logind's Lock).
  std::function<void()> lockSession;
  // Asks the user to confirm enabling with the floor and cap; the answer
  // may come later.
  std::function<void(int batteryFloorPercent, int batteryCapHours, std::function<void(bool)>)>
      confirmEnabling;
  // After a failed removal: whether to try again.
  std::function<void(std::function<void(bool)>)> offerRemovalRetry;
  // After every recompute: the verifier checks again, views redraw.
  std::function<void()> changed;
};

}  // namespace vigilix
