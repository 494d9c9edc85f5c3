#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/power/logind_inhibitors.h"
#include "platform/power/power_assertions.h"
#include "platform/power/session_inhibitor.h"
#include "platform/runloop/dispatch_queue.h"

namespace vigilix::platform {

// logind's "what" for an assertion type: "sleep" while the display may sleep,
// "idle:sleep" when it must stay on; none for a type we do not know.
std::optional<std::string> logindWhatForAssertionType(const std::string& type);
// The assertion type a lock's "what" stands for; none when it holds neither
// idle nor sleep (a lid-switch lock, a shutdown delay).
std::optional<std::string> assertionTypeForLogindWhat(const LogindInhibitor& lock);

// Power assertions held as logind inhibitor locks (mode "block", who
// "Vigilix", why the assertion's name), each with one desktop session
// inhibition beside it (best effort: its failure is only logged).
//
// Thread rule: any thread, and no call waits for a bus. The bus calls run in
// order on a serial queue of their own, never on the caller's thread, so the
// main thread never blocks on logind, polkit or the desktop. Hence:
// - construction asks logind for its list, so that creates know soon after
//   whether it is there. A create answers at once: an error while logind is
//   known to be unreachable (no system bus, no logind; the log says why, once
//   per change), else a new identifier whose lock the queue takes next. Each
//   refused create asks the queue to look again (one look at a time); nothing
//   retries on its own.
// - a lock that could not be taken, or whose descriptor reports that logind let
//   go of it and that ListInhibitors (filtered on our pid) no longer shows, is
//   "vanished": copyProperties answers none, so the owner's repair takes a new one.
// - release drops the identifier at once; the queue closes the lock after any
//   take still ahead of it, so a replacement is in force before the old one goes.
// - logind cannot rename a lock: replace takes the new one before the old goes.
// - copyAssertionsByProcess answers the last listing the queue made (an error
//   before the first) and asks for a fresh one.
// - copyAssertionsByProcessAfterPendingChanges is the one call that waits: for
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

  PowerAssertionCreateResult createWithName(const std::string& type, std::int64_t level,
                                            const std::string& name) override;
  std::optional<PropertyDictionary> copyProperties(PowerAssertionID assertionID) const override;
  PowerReturn release(PowerAssertionID assertionID) override;
  PowerAssertionsByProcess copyAssertionsByProcess() const override;
  PowerAssertionsByProcess copyAssertionsByProcessAfterPendingChanges(
      double maximumWaitSeconds) const override;

  // Whether logind answered the last time the queue asked; none before that.
  std::optional<bool> logindReachable() const;
  // Whether the desktop took the inhibition beside the last lock taken; none
  // before a lock was taken.
  std::optional<bool> desktopInhibited() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace vigilix::platform
