#pragma once

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/dbus/bus_connection.h"
#include "platform/fs/unique_fd.h"
#include "platform/power/logind_inhibitors.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

// The machine's sleep and wake, from logind's PrepareForSleep(b) on the
// system bus, posted on the workspace centre as
// "NSWorkspaceWillSleepNotification" and "NSWorkspaceDidWakeNotification"
// from a task of `mainQueue`.
//
// While awake it holds a "delay" lock on sleep, so the will-sleep work runs
// before the machine sleeps: at PrepareForSleep(true) it posts will-sleep,
// waits until that post has returned (at most 4 s, below logind's own 5 s
// limit, so a stuck main thread cannot hold the machine up), then closes the
// lock; at PrepareForSleep(false) it posts did-wake and takes a new lock.
//
// Only logind's own connection is believed: a PrepareForSleep from any other
// sender is ignored. logind may start after us or restart: the lock is taken
// (again) whenever logind's name gets an owner.
//
// The bus is served on a thread of its own, which sleeps in poll() between
// signals. Destruction stops it and closes the lock.
class LogindSleepMonitor {
 public:
  static constexpr double kWillSleepWaitSeconds = 4.0;
  static constexpr const char* kWhy = "Recording whether the computer was kept awake";

  explicit LogindSleepMonitor(
      DispatchQueue& mainQueue,
      std::shared_ptr<LogindInhibitors> logind = std::make_shared<LiveLogindInhibitors>());
  ~LogindSleepMonitor();
  LogindSleepMonitor(const LogindSleepMonitor&) = delete;
  LogindSleepMonitor& operator=(const LogindSleepMonitor&) = delete;

  // Once. False, watching nothing, when the system bus cannot be reached.
  // Without logind (or its lock) it watches all the same, for logind to come.
  bool start();

 private:
  void onPrepareForSleep(BusArgumentReader& signal);
  void logindOwnerChanged(std::string owner);
  void prepareForSleep(bool sleeping);
  bool takeDelayLock();
  void serve();

  DispatchQueue& mainQueue_;
  std::shared_ptr<LogindInhibitors> logind_;
  std::optional<BusConnection> bus_;
  BusSlot slot_;
  BusSlot ownerSlot_;
  std::string logindOwner_;  // logind's unique name; empty while it is not running
  UniqueFd stop_;
  UniqueFd delayLock_;  // used by start(), then by the thread alone
  std::thread thread_;
};

}  // namespace vigilix::platform
