#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/notifications/notification_center.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix {

inline constexpr const char* kVGXPolicyDidChangeNotification = "run.tarvo.vigilix.PolicyDidChange";

// The policy's epoch: raised by one on every applied policy change so that
// settings views re-read the policy. Main thread only.
class VGXPolicyObservable : public std::enable_shared_from_this<VGXPolicyObservable> {
 public:
  using EpochObserver = std::function<void(std::int64_t epoch)>;

  static std::shared_ptr<VGXPolicyObservable> make(platform::NotificationCenter& center,
                                                   platform::DispatchQueue& mainQueue);
  // Created on first use from the current platform.
  static VGXPolicyObservable& shared();

  std::int64_t epoch() const { return epoch_; }

  // Raises the epoch and posts "run.tarvo.vigilix.PolicyDidChange" on the
  // default centre; a call from another thread is moved to the main queue.
  void noteChange();

  // Told of every new epoch, on the main thread.
  [[nodiscard]] platform::ObserverHandle observeEpoch(EpochObserver observer);

 private:
  VGXPolicyObservable(platform::NotificationCenter& center, platform::DispatchQueue& mainQueue);
  struct Observers;

  platform::NotificationCenter& center_;
  platform::DispatchQueue& mainQueue_;
  std::int64_t epoch_ = 0;
  std::shared_ptr<Observers> observers_;
};

}  // namespace vigilix
