#include "health/session_notifications.h"

#include <iterator>
#include <utility>

#include "health/app_notification_names.h"
#include "platform/base/logger.h"
#include "platform/base/shared_instances.h"
#include "platform/base/uuid.h"
#include "platform/defaults/user_defaults.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/weakly.h"

namespace vigilix {

namespace {

constinit platform::SharedInstance<VGXSessionNotifications> sharedNotifications;

const platform::Logger& log() {
  static const platform::Logger logger("SessionNotifications");
  return logger;
}

constexpr std::uint64_t kRepeatWindowNanoseconds =
    static_cast<std::uint64_t>(VGXSessionNotifications::kRepeatWindowSeconds * 1e9);

std::string userInfoText(const platform::PropertyDictionary& userInfo, const std::string& key,
                         std::string fallback) {
  const auto found = userInfo.find(key);
  if (found == userInfo.end() || !found->second.isString()) return fallback;
  return std::get<std::string>(found->second.value);
}

}  // namespace

VGXSessionNotifications::VGXSessionNotifications()
    : sessionIdentifier_(platform::UUID::generate().uuidString()) {}

VGXSessionNotifications& VGXSessionNotifications::shared() { return sharedNotifications.get(); }

void VGXSessionNotifications::start() {
  if (didStart_) return;
  didStart_ = true;
  std::weak_ptr<VGXSessionNotifications> weak = weak_from_this();
  watchFinishedObserver_ = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXWatchFinishedNotification, nullptr, &platform::DispatchQueue::main(),
      platform::weakly(
          weak, [](VGXSessionNotifications& self, const platform::Notification& notification) {
            self.watchFinished(notification);
          }));
  auto& center = platform::UserNotificationCenter::current();
  center.setNotificationCategories(sessionNotificationCategories());
  if (!center.delegate()) center.setDelegate(weak);
}

void VGXSessionNotifications::startNewSession() {
  sessionIdentifier_ = platform::UUID::generate().uuidString();
}

void VGXSessionNotifications::post(const VGXKeepAwakeNotificationRequest& request) {
  if (!platform::UserDefaults::standard()
           .boolValue(kVGXNotifyOnAwakeStateChangeKey)
           .value_or(false)) {
    return;
  }
  const std::uint64_t now = platform::Clock::current().continuousNanoseconds();
  // Forget what left the window, so that one text per finished watch does not
  // pile up for the life of the application.
  std::erase_if(lastPosts_, [now](const auto& entry) {
    return now - entry.second >= kRepeatWindowNanoseconds;
  });
  if (!lastPosts_.try_emplace(request.title + "\n" + request.body, now).second) {
    log().debug("repeat of {} dropped", request.identifier);
    return;
  }
  platform::UserNotificationCenter::current().addRequest(toNotificationRequest(request));
}

void VGXSessionNotifications::post(
    const std::function<VGXKeepAwakeNotificationRequest(const std::string& thread)>& makeRequest) {
  post(makeRequest(sessionIdentifier_));
}

void VGXSessionNotifications::postTimedSessionEnded() { post(sessionEndedRequest); }

void VGXSessionNotifications::postHeatStopped() { post(heatStoppedRequest); }

void VGXSessionNotifications::postProtectionLost() { post(protectionLostRequest); }

void VGXSessionNotifications::postClosedLidLatched(ClosedLidLatchCause cause) {
  post(closedLidLatchedRequest(cause, sessionIdentifier_));
}

void VGXSessionNotifications::postLidOpened() { post(lidOpenedRequest(sessionIdentifier_)); }

void VGXSessionNotifications::didReceiveResponse(const platform::NotificationResponse& response,
                                                 std::function<void()> completion) {
  if (response.actionIdentifier == kVGXAdd15MinutesAction) {
    // Whether a session still runs is the hub's to decide: the session-ended
    // notice has none left to extend, so it must restart as well as extend.
    platform::onMain(this, [](VGXSessionNotifications& self) {
      if (self.hub_.extendOrRestartFifteenMinutes) {
        self.hub_.extendOrRestartFifteenMinutes();
      } else {
        log().error("Add 15 Minutes chosen with no hub to carry it out");
      }
    });
  }
  if (completion) completion();
}

void VGXSessionNotifications::watchFinished(const platform::Notification& notification) {
  const std::string name = userInfoText(notification.userInfo, "name", "");
  const std::string kind = userInfoText(notification.userInfo, "kind", "file");
  std::optional<std::string> stillAwakeReason;
  if (hub_.isAwake && hub_.isAwake()) {
    stillAwakeReason = hub_.assertionReason ? hub_.assertionReason() : std::string();
  }
  post(watchFinishedRequest(kind, name, stillAwakeReason, sessionIdentifier_));
}

}  // namespace vigilix
