#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/sleep_wake_timer_observers.h"
#include "platform/base/date.h"
#include "platform/base/logger.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/power/power_assertions.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

class DZLSleepWakeTimer;

// Posted on the default centre as the application ends; the timer releases
// its assertion then.
inline constexpr const char* kApplicationWillTerminateNotification =
    "NSApplicationWillTerminateNotification";

// Told of activation and deactivation; both optional.
class DZLSleepWakeTimerDelegate {
 public:
  virtual ~DZLSleepWakeTimerDelegate() = default;
  virtual void sleepWakeTimerWillActivateWithTimeInterval(DZLSleepWakeTimer& /*timer*/,
                                                          double /*interval*/) {}
  virtual void sleepWakeTimerDidDeactivate(DZLSleepWakeTimer& /*timer*/) {}
};

// Holds at most one keep-awake lock for the application and,
// optionally, ends it at a fire date. Main thread only.
class DZLSleepWakeTimer : public std::enable_shared_from_this<DZLSleepWakeTimer> {
 public:
  using Completion = std::function<void(bool cancelled)>;

  struct Environment {
    platform::UserDefaults* defaults = nullptr;
    platform::PowerAssertions* assertions = nullptr;
    platform::NotificationCenter* defaultCenter = nullptr;
    platform::NotificationCenter* workspaceCenter = nullptr;
    platform::DispatchQueue* mainQueue = nullptr;
    platform::Clock* clock = nullptr;
    // Everything from the current platform.
    static Environment current();
  };

  static constexpr const char* kDefaultReason = "Keeping your computer awake";
  static constexpr const char* kNamePrefix = "Vigilix: ";
  static constexpr std::size_t kMaximumNameLength = 128;

  // Registers for the application's will-terminate notification (which
  // invalidates) and the workspace's did-wake notification.
  static std::shared_ptr<DZLSleepWakeTimer> make();
  static std::shared_ptr<DZLSleepWakeTimer> make(Environment environment);
  // Releases a held assertion; a stored completion is told `cancelled`
  // (the delegate is not).
  ~DZLSleepWakeTimer();
  DZLSleepWakeTimer(const DZLSleepWakeTimer&) = delete;
  DZLSleepWakeTimer& operator=(const DZLSleepWakeTimer&) = delete;

  std::shared_ptr<DZLSleepWakeTimerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<DZLSleepWakeTimerDelegate> delegate);

  // Replaces any held assertion with a new one that ends after `interval`
  // seconds (0: no expiry). A completion replaces the stored one; none keeps
  // it. An interval that is not finite is refused: nothing changes and the
  // answer is false.
  bool scheduleWithTimeInterval(double interval, Completion completion = {});
  // Ends the held assertion as cancelled.
  void invalidate();
  bool isScheduled() const { return assertionID_ != 0; }
  bool scheduled() const { return isScheduled(); }

  const std::string& reason() const { return reason_; }
  // Stores the reason (the default text when empty or none) and gives a held
  // assertion the new name at once; an unchanged name keeps the lock it has.
  void setReason(const std::optional<std::string>& reason);

  // The held identifier while the system still reports it; else empty.
  std::vector<platform::LockID> currentAssertionIDs() const;
  // The kind the protection should have: empty only when nothing is held and
  // the last create did not fail.
  std::vector<platform::LockKind> expectedAssertionTypes() const;
  // Recreates an assertion the system no longer reports. False when nothing
  // is held or the create fails.
  bool repair();

  // Chosen by "run.tarvo.vigilix.AllowDisplaySleep" at each call.
  platform::LockKind desiredAssertionType() const;
  // "Vigilix: " and the reason, cut to at most 128 UTF-16 units.
  std::string assertionName() const;

  // Observers of `scheduled`, told before and after each change of it.
  [[nodiscard]] platform::ObserverHandle observeScheduled(DZLScheduledObservers::Observer observer);

  bool lastCreateFailed() const { return lastCreateFailed_; }
  // Why the last create or replacement failed; none when it succeeded.
  std::optional<platform::LockError> lastCreateResult() const { return lastCreateResult_; }
  platform::LockID assertionID() const { return assertionID_; }
  std::optional<platform::Date> fireDate() const { return fireDate_; }
  double scheduledTimeInterval() const { return scheduledTimeInterval_; }
  std::optional<platform::LockKind> currentAssertionType() const { return currentAssertionType_; }
  std::uint64_t scheduleGeneration() const { return scheduleGeneration_; }
  bool hasExpirationTimer() const { return expirationTimer_ != nullptr; }

  // "The keep-awake timer", as the log shows it.
  std::string description() const;

 private:
  explicit DZLSleepWakeTimer(Environment environment);
  void registerObservers();

  void updateLiveAssertionName();
  void releaseHeldAssertion();
  void logAssertionCreateFailureOnce(platform::LockError error);
  void startExpirationTimerForGeneration(std::uint64_t generation);
  void cancelExpirationTimer();
  void expireNaturally();
  void handleDidWake();
  void notifyFinishedCancelled(bool cancelled);
  // Stores a new identifier, telling `scheduled` observers when it changes.
  void storeAssertionID(platform::LockID assertionID);

  Environment environment_;
  bool lastCreateFailed_ = false;
  std::optional<platform::LockError> lastCreateResult_;
  platform::LockID assertionID_ = 0;
  std::weak_ptr<DZLSleepWakeTimerDelegate> delegate_;
  std::optional<platform::Date> fireDate_;
  double scheduledTimeInterval_ = 0;
  Completion completionBlock_;
  std::string reason_ = kDefaultReason;
  platform::Logger log_{"SleepWakeTimer"};
  std::optional<platform::LockKind> currentAssertionType_;
  std::shared_ptr<platform::DispatchTimerSource> expirationTimer_;
  std::uint64_t scheduleGeneration_ = 0;
  platform::ObserverHandle willTerminateObserver_;
  platform::ObserverHandle didWakeObserver_;
  DZLScheduledObservers scheduledObservers_;
};

}  // namespace vigilix
