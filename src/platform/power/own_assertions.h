#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <vector>

#include "platform/power/logind_inhibitors.h"
#include "platform/power/power_assertions.h"

namespace vigilix::platform {

// Which of this process's keep-awake locks the system holds right now, or
// why the system's list cannot be had. A lock the system lost (its service
// restarted, its descriptor closed) is simply not listed.
class OwnAssertionInspector {
 public:
  using Result = std::expected<std::vector<Lock>, LockError>;

  virtual ~OwnAssertionInspector() = default;
  virtual Result ownAssertions() const = 0;

  // The installed inspector, else this process's entry in
  // PowerAssertions::current()'s listing.
  static OwnAssertionInspector& current();
  // Returns the one it replaced (nullptr: the default one).
  static OwnAssertionInspector* setCurrent(OwnAssertionInspector* inspector);
};

// This process's entry of PowerAssertions::current()'s listing once the
// changes asked for before the call are in force (none: an empty list): a
// re-inspection right after a repair sees the repair. Waits at most
// kListingWaitSeconds for a system that answers on a queue of its own; any thread.
class PowerAssertionsInspector final : public OwnAssertionInspector {
 public:
  static constexpr double kListingWaitSeconds = 1.0;

  Result ownAssertions() const override;
};

// logind's list of inhibitor locks: the keep-awake locks (keepAwakeLock)
// that `pid` took in the name "Vigilix"; other locks are not ours to report.
// Blocks for at most one bounded bus call; a failed call answers `unavailable`.
class LogindAssertionInspector final : public OwnAssertionInspector {
 public:
  static constexpr const char* kWho = "Vigilix";

  explicit LogindAssertionInspector(
      std::shared_ptr<LogindInhibitors> logind = std::make_shared<LiveLogindInhibitors>(),
      std::int32_t pid = PowerAssertions::currentProcessID());

  Result ownAssertions() const override;

 private:
  std::shared_ptr<LogindInhibitors> logind_;
  std::int32_t pid_;
};

}  // namespace vigilix::platform
