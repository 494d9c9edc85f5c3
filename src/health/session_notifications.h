#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "health/keep_awake_notification_request.h"
#include "platform/notifications/notification_center.h"
#include "platform/usernotifications/user_notification_center.h"

namespace vigilix {

inline constexpr const char* kVGXNotifyOnAwakeStateChangeKey =
    "run.tarvo.vigilix.NotifyOnAwakeStateChange";

// What the session notifications ask of the hub, filled by the hub at its
// start. An empty slot: "Add 15 Minutes" does nothing but log, and a
// finished watch reads as if nothing keeps the computer awake.
struct VGXSessionNotificationsHub {
  // Adds 900 s to a running timed manual session, else starts one of 900 s.
  std::function<void()> extendOrRestartFifteenMinutes;
  // Whether the computer is being kept awake now, for any reason.
  std::function<bool()> isAwake;
  // The text naming the current reason for keeping it awake.
  std::function<std::string()> assertionReason;
};

// Tells the user when keep-awake ends or is stopped for a reason they did not
// choose. One instance for the application; main thread only. The notices of
// one session share a thread; a notice whose title and body were shown less
// than 10 s before is dropped (measured on the continuous clock, so neither
// a wall clock set back nor sleep can silence a notice); nothing is shown
// unless "run.tarvo.vigilix.NotifyOnAwakeStateChange" is on. Never asks for
// permission to show notices. Must be owned by a std::shared_ptr (shared() is):
// the centre and the watch observer hold it weakly.
class VGXSessionNotifications : public platform::UserNotificationCenterDelegate,
                                public std::enable_shared_from_this<VGXSessionNotifications> {
 public:
  static constexpr double kRepeatWindowSeconds = 10.0;

  VGXSessionNotifications();

  // Created on first use.
  static VGXSessionNotifications& shared();

  void setHub(VGXSessionNotificationsHub hub) { hub_ = std::move(hub); }

  // Once per instance: observes finished watches, registers the six
  // categories and becomes the centre's delegate when it has none.
  void start();

  const std::string& sessionIdentifier() const { return sessionIdentifier_; }
  // A new thread for the next manual session's notices.
  void startNewSession();

  // Through the setting and the repeat filter.
  void post(const VGXKeepAwakeNotificationRequest& request);
  // Builds the request on the current session's thread, then posts it.
  void post(
      const std::function<VGXKeepAwakeNotificationRequest(const std::string& thread)>& makeRequest);

  void postTimedSessionEnded();
  void postHeatStopped();
  void postProtectionLost();
  void postClosedLidLatched(ClosedLidLatchCause cause);
  void postLidOpened();

  // "Add 15 Minutes" extends or restarts keep-awake on the main queue; the
  // completion is called at once. Anything else (a click, a dismissal) only
  // completes.
  void didReceiveResponse(const platform::NotificationResponse& response,
                          std::function<void()> completion) override;

  // Texts remembered by the repeat filter (those shown within the window).
  std::size_t rememberedPostCount() const { return lastPosts_.size(); }

 private:
  void watchFinished(const platform::Notification& notification);

  VGXSessionNotificationsHub hub_;
  // Title and body joined by "\n" -> continuous time of its last showing, ns.
  std::map<std::string, std::uint64_t> lastPosts_;
  bool didStart_ = false;
  std::string sessionIdentifier_;
  platform::ObserverHandle watchFinishedObserver_;
};

}  // namespace vigilix
