#pragma once

#include <optional>
#include <string>
#include <vector>

#include "closedlid/closed_lid_seams.h"
#include "closedlid/lid_availability.h"
#include "keepawake/health_line.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix {

// The menu item's look for the current state.
struct VGXClosedLidMenuItem {
  bool hidden = true;
  bool enabled = false;
  bool on = false;
  std::optional<std::string> help;
};

// The one owner of closed-lid mode: decides availability, tells the guard
// client to hold or release, turns the guard's latches into notices, locks
// the session when the lid closes while armed, and drives enabling and
// removal through the helper. Main thread only.
class VGXClosedLidController {
 public:
  VGXClosedLidController(platform::UserDefaults& defaults, VGXClosedLidInputs inputs,
                         VGXClosedLidEffects effects, VGXClosedLidGuardLink& client,
                         VGXClosedLidHelperLink& helper);

  // Decides again; nested calls (from its own notices) are dropped.
  void recompute(bool userInitiated);
  // The lid reading changed.
  void lidChanged();
  // Run before each manual start: the user re-arms.
  void manualSessionStarting();

  // The switch turned on: confirmation, then registration and installation.
  // Only where availability lets the user enable.
  void requestEnable();
  // The switch turned off.
  void disable();
  void setBatteryFloor(int percent);
  void setBatteryCapHours(int hours);
  void toggleFromMenu();

  // Registration's approval is polled by the owner of the timer.
  void approvalTick();
  bool awaitingApproval() const { return approvalTicks_ >= 0; }
  static constexpr int kApprovalTickLimit = 600;

  // Removal after the user confirmed; a failure offers to try again.
  void removeHelper();

  const VGXLidAvailability& availability() const { return availability_; }
  bool settingOn() const { return settingOn_; }
  bool isRegistered() const { return isRegistered_; }
  bool removeFailed() const { return removeFailed_; }
  bool lastArmed() const { return lastArmed_; }
  // Set while the controller writes its own keys: a defaults observer skips those.
  bool applyingDefaults() const { return applyingDefaults_; }
  std::optional<bool> lidClosed() const { return lidClosed_; }
  int batteryFloor() const;
  int batteryCapHours() const;

  std::vector<VGXHealthLine> healthLines() const;
  VGXClosedLidMenuItem menuItem() const;
  std::string menuSignature() const;
  // For the protection verifier.
  bool clearFailed() const;
  std::optional<bool> heldFresh() const;

 private:
  VGXLidEnvironment environment(VGXLidRegistration registration) const;
  void write(const char* key, bool value);
  void latchNoticeStep(const VGXGuardClientReading& reading);
  void lidOpened();
  void registrationFlow();
  void registered(VGXLidRegistration registration);
  void installFinished(std::optional<std::string> failure, bool userInitiated);
  bool capLatched() const;

  platform::UserDefaults& defaults_;
  VGXClosedLidInputs inputs_;
  VGXClosedLidEffects effects_;
  VGXClosedLidGuardLink& client_;
  VGXClosedLidHelperLink& helper_;

  VGXLidAvailability availability_;
  bool settingOn_ = false;
  bool removeFailed_ = false;
  bool isRegistered_ = false;
  std::optional<bool> lidClosed_;
  std::optional<bool> previousLidClosed_;
  bool lastArmed_ = false;
  bool lockedWhileClosed_ = false;
  std::optional<VGXGuardLatch> lastLatch_;
  bool recomputing_ = false;
  bool applyingDefaults_ = false;
  bool didUseClosedLidThisSession_ = false;
  int approvalTicks_ = -1;  // -1: not polling
  std::optional<std::string> helperError_;
};

}  // namespace vigilix
