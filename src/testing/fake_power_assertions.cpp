#include "testing/fake_power_assertions.h"

namespace vigilix::testing {

using platform::Lock;
using platform::LockError;
using platform::LockID;

std::expected<LockID, LockError> FakePowerAssertions::take(platform::LockKind kind,
                                                           const std::string& reason) {
  ++takeCount_;
  if (!queuedTakeFailures_.empty()) {
    const LockError error = queuedTakeFailures_.front();
    queuedTakeFailures_.pop_front();
    return std::unexpected(error);
  }
  if (persistentTakeFailure_) return std::unexpected(*persistentTakeFailure_);
  return InProcessPowerAssertions::take(kind, reason);
}

std::optional<Lock> FakePowerAssertions::heldLock(LockID id) const {
  if (hidden_.contains(id)) return std::nullopt;
  return InProcessPowerAssertions::heldLock(id);
}

std::expected<void, LockError> FakePowerAssertions::release(LockID id) {
  releaseCalls_.push_back(id);
  hidden_.erase(id);
  return InProcessPowerAssertions::release(id);
}

platform::LockListing FakePowerAssertions::locksByProcess() const {
  if (listingFailure_) return std::unexpected(*listingFailure_);
  platform::LockListing listing = InProcessPowerAssertions::locksByProcess();
  for (const auto& [processID, lock] : extraListed_) (*listing)[processID].push_back(lock);
  return listing;
}

void FakePowerAssertions::failNextTake(LockError error) { queuedTakeFailures_.push_back(error); }

void FakePowerAssertions::failAllTakes(LockError error) { persistentTakeFailure_ = error; }

void FakePowerAssertions::hideFromLookup(LockID id) { hidden_.insert(id); }

void FakePowerAssertions::failListing(LockError error) { listingFailure_ = error; }

void FakePowerAssertions::addListedLock(std::int32_t processID, Lock lock) {
  extraListed_.emplace_back(processID, std::move(lock));
}

void FakePowerAssertions::clearFailures() {
  queuedTakeFailures_.clear();
  persistentTakeFailure_.reset();
  hidden_.clear();
  listingFailure_.reset();
}

void FakePowerAssertions::dropAll() {
  for (LockID id : heldLockIDs()) drop(id);
  hidden_.clear();
}

std::vector<FakePowerAssertions::Held> FakePowerAssertions::liveLocks() const {
  std::vector<Held> live;
  for (LockID id : heldLockIDs()) {
    if (auto lock = InProcessPowerAssertions::heldLock(id)) live.push_back({id, std::move(*lock)});
  }
  return live;
}

}  // namespace vigilix::testing
