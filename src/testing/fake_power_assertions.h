#pragma once

#include <deque>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/power/in_process_power_assertions.h"

namespace vigilix::testing {

// Keep-awake locks for tests: the in-process table plus injected failures
// and a record of the calls made.
class FakePowerAssertions : public platform::InProcessPowerAssertions {
 public:
  struct Held {
    platform::LockID id = 0;
    platform::Lock lock;
    bool operator==(const Held&) const = default;
  };

  std::expected<platform::LockID, platform::LockError> take(platform::LockKind kind,
                                                            const std::string& reason) override;
  std::optional<platform::Lock> heldLock(platform::LockID id) const override;
  std::expected<void, platform::LockError> release(platform::LockID id) override;
  platform::LockListing locksByProcess() const override;

  // The next take fails with `error`; several calls queue up.
  void failNextTake(platform::LockError error);
  // Every take fails with `error` until clearFailures.
  void failAllTakes(platform::LockError error);
  // The lock stays in force but heldLock no longer reports it.
  void hideFromLookup(platform::LockID id);
  // The by-process listing fails with `error` until clearFailures.
  void failListing(platform::LockError error);
  // An extra entry in the by-process listing (another process's, or one of
  // ours under another reason); it holds nothing.
  void addListedLock(std::int32_t processID, platform::Lock lock);
  void clearFailures();

  // Drops every lock, as a restart of logind does.
  void dropAll();

  // The locks in force, in the order they were taken.
  std::vector<Held> liveLocks() const;

  int takeCount() const { return takeCount_; }
  // Every identifier passed to release, in call order, known or not.
  const std::vector<platform::LockID>& releaseCalls() const { return releaseCalls_; }

 private:
  std::deque<platform::LockError> queuedTakeFailures_;
  std::optional<platform::LockError> persistentTakeFailure_;
  std::set<platform::LockID> hidden_;
  std::optional<platform::LockError> listingFailure_;
  std::vector<std::pair<std::int32_t, platform::Lock>> extraListed_;
  int takeCount_ = 0;
  std::vector<platform::LockID> releaseCalls_;
};

}  // namespace vigilix::testing
