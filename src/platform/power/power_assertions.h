#pragma once

#include <cstdint>
#include <expected>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vigilix::platform {

// What a keep-awake lock holds off: logind's "sleep" (the display may still
// sleep) or "idle:sleep" (the display stays on too).
enum class LockKind { systemSleep, displayAndSystemSleep };

enum class LockError {
  unavailable,  // nobody to hold a lock (no logind), or every identifier used up
  badArgument,
  notFound,
};
// The number logs and health lines have always shown for `error`.
std::int32_t lockErrorCode(LockError error);

// One lock this process asked for; 0 means none.
using LockID = std::uint32_t;

// A blocking keep-awake lock: what it holds off and why (the reason logind
// lists, "Vigilix: ..." for ours).
struct Lock {
  LockKind kind = LockKind::systemSleep;
  std::string reason;
  bool operator==(const Lock&) const = default;
};

// Every process's keep-awake locks, keyed by the holder's process id.
using LocksByProcess = std::map<std::int32_t, std::vector<Lock>>;
using LockListing = std::expected<LocksByProcess, LockError>;

// Keep-awake locks that keep the machine from sleeping while they live. A
// lock cannot be renamed; `replace` takes another. Safe to call from any thread.
class PowerAssertions {
 public:
  virtual ~PowerAssertions() = default;

  // badArgument for an empty reason.
  virtual std::expected<LockID, LockError> take(LockKind kind, const std::string& reason) = 0;
  // Holds `kind` for `reason` in place of `held`. Nothing is done when `held`
  // is in force with that kind and reason: the answer is `held`. Otherwise the
  // new lock is asked for before `held` is released, so protection has no
  // gap; when the new one cannot be had, `held` stays as it was.
  std::expected<LockID, LockError> replace(LockID held, LockKind kind, const std::string& reason);
  // None when the system no longer holds the lock.
  virtual std::optional<Lock> heldLock(LockID id) const = 0;
  virtual std::expected<void, LockError> release(LockID id) = 0;
  virtual LockListing locksByProcess() const = 0;
  // The listing once every take and release asked for before the call has
  // reached the system, waiting for that at most `maximumWaitSeconds` (then
  // the freshest listing there is). Where the system answers at once, the
  // same as locksByProcess.
  virtual LockListing locksByProcessAfterPendingChanges(double /*maximumWaitSeconds*/) const {
    return locksByProcess();
  }
  // This process's entry of that listing (none: an empty list), so that a
  // look right after a repair sees the repair. A lock the system lost is
  // simply not listed.
  std::expected<std::vector<Lock>, LockError> ownLocksAfterPendingChanges(
      double maximumWaitSeconds) const;

  static std::int32_t currentProcessID();

  // The locks in force: logind inhibitor locks (LogindPowerAssertions)
  // unless a test installed others.
  static PowerAssertions& current();
  // Returns the one it replaced (nullptr: the live one).
  static PowerAssertions* setCurrent(PowerAssertions* assertions);
};

}  // namespace vigilix::platform
