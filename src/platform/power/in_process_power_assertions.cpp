#include "platform/power/in_process_power_assertions.h"

namespace vigilix::platform {

std::expected<LockID, LockError> InProcessPowerAssertions::take(LockKind kind,
                                                                const std::string& reason) {
  if (reason.empty()) return std::unexpected(LockError::badArgument);
  std::lock_guard lock(mutex_);
  if (nextID_ == 0) return std::unexpected(LockError::unavailable);  // every identifier used up
  const LockID id = nextID_++;
  locks_[id] = Lock{kind, reason};
  return id;
}

std::optional<Lock> InProcessPowerAssertions::heldLock(LockID id) const {
  std::lock_guard lock(mutex_);
  const auto found = locks_.find(id);
  if (found == locks_.end()) return std::nullopt;
  return found->second;
}

std::expected<void, LockError> InProcessPowerAssertions::release(LockID id) {
  if (!drop(id)) return std::unexpected(LockError::notFound);
  return {};
}

LockListing InProcessPowerAssertions::locksByProcess() const {
  LocksByProcess listing;
  std::lock_guard lock(mutex_);
  if (!locks_.empty()) {
    auto& own = listing[currentProcessID()];
    for (const auto& entry : locks_) own.push_back(entry.second);
  }
  return listing;
}

bool InProcessPowerAssertions::drop(LockID id) {
  std::lock_guard lock(mutex_);
  return locks_.erase(id) > 0;
}

std::vector<LockID> InProcessPowerAssertions::heldLockIDs() const {
  std::lock_guard lock(mutex_);
  std::vector<LockID> ids;
  for (const auto& entry : locks_) ids.push_back(entry.first);
  return ids;
}

}  // namespace vigilix::platform
