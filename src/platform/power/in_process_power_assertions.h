#pragma once

#include <mutex>

#include "platform/power/power_assertions.h"

namespace vigilix::platform {

// Keeps locks in a table inside this process. Every lock belongs to this
// process. Identifiers are never reused.
class InProcessPowerAssertions : public PowerAssertions {
 public:
  std::expected<LockID, LockError> take(LockKind kind, const std::string& reason) override;
  std::optional<Lock> heldLock(LockID id) const override;
  std::expected<void, LockError> release(LockID id) override;
  LockListing locksByProcess() const override;

  // Forgets a lock without its owner releasing it, as a restart of logind
  // does. False when there was no such lock.
  bool drop(LockID id);
  // Identifiers of the locks held, in the order they were taken.
  std::vector<LockID> heldLockIDs() const;

 private:
  mutable std::mutex mutex_;
  LockID nextID_ = 1;
  std::map<LockID, Lock> locks_;
};

}  // namespace vigilix::platform
