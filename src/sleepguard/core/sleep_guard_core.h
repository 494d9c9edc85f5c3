#pragma once

#include <cstdint>
#include <expected>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "sleepguard/core/guard_collaborators.h"
#include "sleepguard/core/guard_records.h"
#include "sleepguard/core/guard_values.h"

namespace vigilix {

// The engine of the sleep guard: grants one user at a time a renewable lease
// during which system sleep is off, charges the time to the user's safety
// budget, latches safety stops, and turns sleep back on when the lease ends,
// across failures and restarts (a write-ahead journal records how far a
// change got).
//
// Thread rule: every public operation takes the core's lock for its whole
// duration, so any thread may call; the collaborators must outlive the core
// and are called only under that lock. Now means the clock's continuous
// nanoseconds, which keep counting while the machine sleeps. No operation
// throws; refusals and failures are VGXGuardError values.
class VGXSleepGuardCore {
 public:
  // `leaseSeconds` below 1 becomes 1; a negative `staleSensorSeconds` becomes 0.
  VGXSleepGuardCore(VGXPowerSettingRunner& runner, VGXSensorSource& sensors, VGXGuardClock& clock,
                    VGXGuardStore& store, VGXGuardPolicySource& policies, std::string guardVersion,
                    std::int64_t leaseSeconds, std::int64_t staleSensorSeconds);

  // Client operations.
  std::expected<VGXHoldGrant, VGXGuardError> hold(std::uint32_t uid, bool userInitiated);
  std::expected<VGXHoldGrant, VGXGuardError> renew(std::uint32_t uid, const std::string& token);
  std::expected<void, VGXGuardError> release(std::uint32_t uid,
                                             const std::optional<std::string>& token);
  VGXGuardStatus status();

  // When the lease in force lapses unless renewed (continuous nanoseconds);
  // none without a hold. A tick then ends it at once, not up to a tick later.
  std::optional<std::uint64_t> leaseExpiresAt();

  // The periodic check (every 10 s) and the check after the system woke.
  void tick();
  void handleWake();

  // Maintenance and life cycle. `recoverAtStart` runs once, before anything
  // else; `shutdown` on SIGTERM or SIGINT.
  std::expected<void, VGXGuardError> beginDrain();
  void endDrain();
  void recoverAtStart();
  std::expected<void, VGXGuardError> shutdown();

 private:
  // Leases (sleep_guard_leases.cpp).
  std::expected<VGXHoldGrant, VGXGuardError> apply(std::uint32_t uid, bool userInitiated,
                                                   Safety current, std::optional<Safety> prior,
                                                   std::uint64_t now);
  VGXGuardError rollBack(std::uint32_t uid, const std::optional<Safety>& prior,
                         VGXGuardError error);
  VGXHoldGrant newGrant();

  // Safety (sleep_guard_safety.cpp).
  void evaluate(bool woke, bool verify);
  bool reapplyAfterWake(std::uint32_t uid);
  std::optional<VGXGuardError> preflight(std::uint32_t uid, bool userInitiated, bool latch);
  std::optional<Safety> loadOrCreateSafety(std::uint32_t uid, std::uint64_t now);
  Safety freshSafety(std::uint64_t now);
  // The whole budget spent, latched `totalCap`; kept in memory and, when
  // `write`, stored.
  Safety exhaustedSafety(std::uint32_t uid, std::uint64_t now, bool write);
  void checkpoint(std::uint32_t uid, const std::optional<VGXSensorSample>& sample,
                  std::uint64_t now);
  // `routine`: only the counters moved on since the last write (see checkpoint).
  std::expected<void, VGXGuardError> persistSafety(std::uint32_t uid, bool routine = false);
  void markInactive(std::uint32_t uid);
  void markRearmRequired(std::uint32_t uid);
  void setLatch(std::uint32_t uid, VGXGuardLatch latch);
  void noteSleepOffset();

  // Clearing, drain and recovery (sleep_guard_clearing.cpp).
  std::expected<bool, VGXGuardError> loadJournal();
  std::expected<void, VGXGuardError> clear();
  std::expected<void, VGXGuardError> clearSetting(bool forceFailure);
  std::expected<void, VGXGuardError> finishExternalCleanup();
  std::expected<void, VGXGuardError> writeJournal();
  bool disablingChildLeft();
  VGXGuardState stateAfterClear() const;
  std::expected<void, VGXGuardError> clearFailure();

  // Shared checks (sleep_guard_core.cpp).
  std::uint64_t now() { return clock_.continuousNanoseconds(); }
  // Reads "maintenance.json"; anything but absent sets `maintenance_`.
  bool maintenancePending();
  // The maintenance and drain refusals shared by hold, renew and preflight.
  std::optional<VGXGuardError> maintenanceRefusal();
  // The sensor checks in their fixed order: sensors, stale sensors, heat,
  // charge, battery (the floor needs a policy).
  std::optional<VGXGuardError> sensorRefusal(const std::optional<VGXSensorSample>& sample,
                                             std::uint64_t now,
                                             const std::optional<VGXGuardPolicy>& policy) const;
  // Reads the setting back into the status.
  std::expected<bool, VGXGuardError> readBack();
  bool leaseLapsed(std::uint64_t now) const;
  bool isOpen(std::uint32_t uid, const Safety& record, const VGXGuardPolicy& policy) const;

  VGXPowerSettingRunner& runner_;
  VGXSensorSource& sensors_;
  VGXGuardClock& clock_;
  VGXGuardStore& store_;
  VGXGuardPolicySource& policies_;
  std::int64_t leaseSeconds_;
  std::int64_t staleSensorSeconds_;
  std::mutex lock_;
  std::string instanceID_;
  VGXGuardStatus snapshot_;
  std::int64_t generation_ = 0;
  std::optional<VGXHoldGrant> grant_;
  std::uint64_t leaseAt_ = 0;
  std::optional<Journal> journal_;
  bool corruptJournal_ = false;
  bool externalCleanup_ = false;
  std::map<std::uint32_t, Safety> safety_;
  std::optional<std::uint32_t> lastUID_;
  bool drain_ = false;
  bool maintenance_ = false;
  std::optional<std::uint64_t> lastClearAttempt_;
  std::optional<std::uint64_t> sleepOffset_;
  bool pendingWake_ = false;
  bool unreapedDisableChild_ = false;
  bool pendingStrayKill_ = false;
  std::set<std::uint32_t> pendingRearm_;
};

// Nanosecond arithmetic of the budget: sums saturate at the largest UInt64,
// and a cap in seconds (negative counts as 0) whose nanoseconds overflow is
// reached only by a counter at that maximum.
std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b);
bool capReached(std::uint64_t counterNs, std::int64_t capSeconds);

}  // namespace vigilix
