#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"
#include "platform/runloop/run_loop.h"

namespace vigilix {

// Calls its handler, on the main thread, whenever managed preferences may have
// changed: a change of any key of the policy table, every 60 s, when the
// application becomes active and when the machine wakes. The handler may run
// several times for one change.
class VGXPolicyWatcher : public std::enable_shared_from_this<VGXPolicyWatcher> {
 public:
  struct Environment {
    platform::UserDefaults* defaults = nullptr;
    platform::RunLoop* runLoop = nullptr;
    platform::NotificationCenter* defaultCenter = nullptr;
    platform::NotificationCenter* workspaceCenter = nullptr;
    platform::DispatchQueue* mainQueue = nullptr;
    // The standard defaults, main run loop, both centres and the main queue.
    static Environment current();
  };

  static constexpr double kPollInterval = 60.0;

  // Nothing starts until `start`.
  static std::shared_ptr<VGXPolicyWatcher> make(std::function<void()> onChange);
  static std::shared_ptr<VGXPolicyWatcher> make(std::function<void()> onChange,
                                                Environment environment);
  ~VGXPolicyWatcher();
  VGXPolicyWatcher(const VGXPolicyWatcher&) = delete;
  VGXPolicyWatcher& operator=(const VGXPolicyWatcher&) = delete;

  // Starts watching; later calls do nothing.
  void start();
  bool isObserving() const { return observing_; }

 private:
  VGXPolicyWatcher(std::function<void()> onChange, Environment environment);
  void fire();

  std::function<void()> onChange_;
  Environment environment_;
  std::shared_ptr<platform::Timer> timer_;
  std::vector<platform::ObserverHandle> observers_;
  bool observing_ = false;
};

}  // namespace vigilix
