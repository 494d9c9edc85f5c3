#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "direct/lock/lock_state_monitor.h"
#include "direct/presence/presence_poster.h"
#include "keepawake/health_line.h"
#include "platform/base/observer_token.h"
#include "platform/defaults/user_defaults.h"

namespace vigilix {

namespace VGXPresence {
inline constexpr const char* kKeepChatAppsActive = "VGXKeepChatAppsActive";
inline constexpr const char* kAccessRequested = "VGXPresenceAccessRequested";
inline constexpr const char* kLockDiagnostics = "VGXPresenceLockDiagnostics";
inline constexpr const char* kDisableChatPresence = "VGXDisableChatPresence";
}  // namespace VGXPresence

// Posted on the default centre, on the main queue, after each re-evaluation.
inline constexpr const char* kVGXPresenceFeatureDidChangeNotification =
    "VGXPresenceFeatureDidChangeNotification";

enum class VGXPresenceAccessState { notRequested, waiting, ready, denied };
enum class VGXPresenceSetResult { ok, policyDenied };
// What the desktop offers for moving the pointer: only an X display with the
// XTest extension takes synthetic moves as the user's own.
enum class VGXPresenceDisplay { xtest, noXTest, wayland, noDisplay };

// What the feature reads of the rest of the system. An empty function is a
// slot nobody filled: its gate reads unknown (or false) and the rules skip.
struct VGXPresenceInputs {
  // Whether synthetic pointer moves can be posted (the XTest extension).
  std::function<bool()> mayPostEvents;
  std::function<bool()> effectiveAwake;
  std::function<std::optional<bool>()> lidClosed;
  std::function<bool()> closedLidArmed;
  std::function<std::optional<bool>()> anyDisplayAwake;
  // The screen lock and whether a reading confirmed it.
  std::function<std::pair<VGXLockState, bool>()> lock;
  std::function<std::optional<double>()> idleSeconds;
  // Tells the hub whether the poster runs.
  std::function<void(bool)> setPosting;
  VGXPresenceDisplay display = VGXPresenceDisplay::noDisplay;
  // The screen lock's monitor, which the feature owns: started at install by
  // `startLockMonitor`, its state fills the lock gate unless `lock` is given.
  std::shared_ptr<VGXLockStateMonitor> lockMonitor;
  std::function<void(VGXLockStateMonitor&)> startLockMonitor;
};

// Owns the "Keep Chat Apps Active" setting and decides when the poster runs:
// while the user wants it, the policy allows it and moves can be posted.
// Main thread.
class VGXPresenceFeature : public std::enable_shared_from_this<VGXPresenceFeature> {
 public:
  // `posterFunctions` without its gate reading and revocation, which the
  // feature fills.
  static std::shared_ptr<VGXPresenceFeature> make(platform::UserDefaults& defaults,
                                                  VGXPresenceInputs inputs,
                                                  VGXPresencePoster::Functions posterFunctions);

  // Once: registers the defaults and its health lines, starts the lock
  // monitor, follows settings changes and the screens' sleep, and sets the
  // access state; every call re-evaluates.
  void install();
  void reevaluate();
  // The lock or the screens changed: the poster checks its pending return.
  void gatesChanged();
  VGXPresenceSetResult setEnabled(bool on);
  // Linux asks nobody: moves are possible or they are not.
  void requestAccess();
  void markDenied();
  // A URL may switch the feature off, never on.
  bool setEnabledFromURL(bool enabled);

  bool isEnabled() const;
  // The managed policy forces the feature off.
  bool isPolicyDenied() const;
  // The user's switch as stored, whatever the policy says.
  bool isSwitchStored() const;
  bool shouldPost() const { return isEnabled() && accessState_ == VGXPresenceAccessState::ready; }
  VGXPresenceAccessState accessState() const { return accessState_; }
  bool accessRequested() const;
  VGXPresenceGates gatherGates() const;
  std::vector<VGXHealthLine> healthLines() const;
  const VGXPresencePoster& poster() const { return *poster_; }
  bool isInstalled() const { return installed_; }
  VGXPresenceDisplay display() const { return inputs_.display; }

 private:
  VGXPresenceFeature(platform::UserDefaults& defaults, VGXPresenceInputs inputs);
  bool mayPostEvents() const { return inputs_.mayPostEvents && inputs_.mayPostEvents(); }
  void follow();
  void screensChanged(bool asleep);

  platform::UserDefaults& defaults_;
  VGXPresenceInputs inputs_;
  std::shared_ptr<VGXPresencePoster> poster_;
  VGXPresenceAccessState accessState_ = VGXPresenceAccessState::notRequested;
  std::optional<std::string> lastHealthDetail_;
  bool installed_ = false;
  // False once the screens said they sleep, until they wake.
  bool screensAwake_ = true;
  bool defaultsChangeScheduled_ = false;
  std::vector<platform::ObserverHandle> observers_;
};

}  // namespace vigilix
