#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/power/logind_inhibitors.h"
#include "platform/power/power_assertions.h"
#include "platform/power/session_inhibitor.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

// logind's "what" for a kind: "sleep" while the display may sleep,
// "idle:sleep" when it must stay on.
const char* logindWhat(LockKind kind);
// The mode of every keep-awake lock: logind waits for nothing, it does not sleep.
inline constexpr const char* kLogindLockMode = "block";
// The keep-awake lock a row of logind's list stands for; none unless it
// blocks idle or sleep (a delay, a lid-switch lock).
std::optional<Lock> keepAwakeLock(const LogindInhibitor& row);

// Keep-awake locks held as logind inhibitor locks (mode "block", who
// "Vigilix", why the lock's reason), each with one desktop session
// inhibition beside it (best effort: its failure is only logged).
//
// Thread rule: any thread, and no call waits for a bus. The bus calls run in
// order on a serial queue of their own, never on the caller's thread, so the
// main thread never blocks on logind, polkit or the desktop. Hence:
// - construction asks logind for its list, so that takes know soon after
//   whether it is there. A take answers at once: `unavailable` while logind is
//   known to be unreachable (no system bus, no logind; the log says why, once
//   per change), else a new identifier whose lock the queue takes next. Each
//   refused take asks the queue to look again (one look at a time); nothing
//   retries on its own.
// - a lock that could not be taken, or whose descriptor reports that logind let
//   go of it and that ListInhibitors (filtered on our pid) no longer shows, is
//   "vanished": heldLock answers none, so the owner's repair takes a new one.
// - release drops the identifier at once; the queue closes the lock after any
//   take still ahead of it, so a replacement is in force before the old one goes.
// - logind cannot rename a lock: replace takes the new one before the old goes.
// - locksByProcess answers the last listing the queue made (`unavailable`
//   before the first) and asks for a fresh one.
// - locksByProcessAfterPendingChanges is the one call that waits: for
//   the queue's work ahead of it and one ListInhibitors, bounded by its argument.
class LogindPowerAssertions final : public PowerAssertions {
 public:
  struct Services {
    std::shared_ptr<LogindInhibitors> logind;
    std::shared_ptr<SessionInhibitor> session;  // may be null
    std::shared_ptr<DispatchQueue> busQueue;
  };
  // Live: logind over the system bus, the desktop over the session bus, and a
  // live serial queue.
  LogindPowerAssertions();
  explicit LogindPowerAssertions(Services services);
  // Closes every lock still held once the queue has run what was posted.
  ~LogindPowerAssertions() override;
  LogindPowerAssertions(const LogindPowerAssertions&) = delete;
  LogindPowerAssertions& operator=(const LogindPowerAssertions&) = delete;

  std::expected<LockID, LockError> take(LockKind kind, const std::string& reason) override;
  std::optional<Lock> heldLock(LockID id) const override;
  std::expected<void, LockError> release(LockID id) override;
  LockListing locksByProcess() const override;
  LockListing locksByProcessAfterPendingChanges(double maximumWaitSeconds) const override;

  // Whether logind answered the last time the queue asked; none before that.
  std::optional<bool> logindReachable() const;
  // What became of the desktop's inhibition beside the last lock taken: taken,
  // or why not; none before a lock was taken.
  std::optional<std::expected<void, SessionInhibitFailure>> desktopInhibited() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform
