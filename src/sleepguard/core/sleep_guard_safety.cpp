#include <limits>

#include "sleepguard/core/sleep_guard_core.h"

namespace vigilix {

namespace {

constexpr std::uint64_t kMaxNs = std::numeric_limits<std::uint64_t>::max();
// A gap between checkpoints longer than this is charged to the battery
// budget even on mains power: the power source during the gap is unknown.
constexpr std::uint64_t kMainsGapNs = 25'000'000'000;
// A rise of the sleep offset beyond this means the machine slept.
constexpr std::uint64_t kSleepNoticeNs = 1'000'000'000;
constexpr std::uint64_t kClearRetryNs = 30'000'000'000;

std::optional<VGXGuardLatch> sensorLatch(const VGXGuardError& refusal) {
  if (refusal.text == "heat") return VGXGuardLatch::heat;
  if (refusal.text == "battery") return VGXGuardLatch::battery;
  return std::nullopt;
}

}  // namespace

void VGXSleepGuardCore::noteSleepOffset() {
  const auto continuous = clock_.continuousNanoseconds();
  const auto absolute = clock_.absoluteNanoseconds();
  const std::uint64_t offset = continuous > absolute ? continuous - absolute : 0;
  if (sleepOffset_ && offset > *sleepOffset_ && offset - *sleepOffset_ > kSleepNoticeNs) {
    pendingWake_ = true;
  }
  sleepOffset_ = offset;
}

void VGXSleepGuardCore::tick() {
  std::lock_guard guard(lock_);
  noteSleepOffset();
  const bool woke = pendingWake_;
  pendingWake_ = false;
  const auto kind = snapshot_.state.kind;
  if (kind == VGXGuardState::Kind::clearFailed ||
      (kind == VGXGuardState::Kind::draining && (journal_ || corruptJournal_))) {
    const auto at = now();
    if (lastClearAttempt_ && at >= *lastClearAttempt_ && at - *lastClearAttempt_ < kClearRetryNs) {
      return;
    }
    (void)clear();
    if (maintenance_ || drain_) snapshot_.state = VGXGuardState::draining();
    return;
  }
  evaluate(woke, true);
}

void VGXSleepGuardCore::handleWake() {
  std::lock_guard guard(lock_);
  noteSleepOffset();
  pendingWake_ = false;
  evaluate(true, true);
}

void VGXSleepGuardCore::setLatch(std::uint32_t uid, VGXGuardLatch latch) {
  if (auto found = safety_.find(uid); found != safety_.end()) found->second.latch = latch;
  snapshot_.latch = latch;
}

void VGXSleepGuardCore::evaluate(bool woke, bool verify) {
  if (!snapshot_.state.isHeld()) return;
  const auto uid = snapshot_.state.uid;
  const auto sample = sensors_.sample();
  const auto at = now();
  const auto policy = policies_.policy(uid);
  checkpoint(uid, sample, at);
  const bool lapsed = leaseLapsed(at);

  std::optional<VGXGuardLatch> latch;
  bool sensorsFailed = false;
  if (!policy) {
    latch = VGXGuardLatch::policy;
  } else if (auto refusal = sensorRefusal(sample, at, policy)) {
    latch = sensorLatch(*refusal);
    sensorsFailed = !latch;
  } else if (auto record = safety_.find(uid);
             record != safety_.end() &&
             capReached(record->second.batteryHeldNs, policy->batteryCapSeconds)) {
    latch = VGXGuardLatch::batteryCap;
  } else if (record != safety_.end() &&
             capReached(record->second.heldNs, policy->totalCapSeconds)) {
    latch = VGXGuardLatch::totalCap;
  } else if (policy->disabled) {
    latch = VGXGuardLatch::policy;
  }

  if (latch) {
    setLatch(uid, *latch);
    (void)persistSafety(uid);  // the latch holds in memory even if the write fails
    (void)clear();
    return;
  }
  if (!persistSafety(uid, !lapsed && !sensorsFailed) || lapsed || sensorsFailed) {
    (void)clear();
    return;
  }
  if (!verify) return;

  auto disabled = readBack();
  if (!disabled) {
    if (woke) (void)clear();
    return;
  }
  if (*disabled) return;
  if (!woke) {
    setLatch(uid, VGXGuardLatch::externallyCleared);
    externalCleanup_ = true;
    (void)finishExternalCleanup();
    return;
  }
  if (!reapplyAfterWake(uid)) (void)clear();
}

// The system turned sleep back on while it slept: take the setting again
// when the lease still runs and the preflight passes.
bool VGXSleepGuardCore::reapplyAfterWake(std::uint32_t uid) {
  const auto sample = sensors_.sample();
  const auto at = now();
  checkpoint(uid, sample, at);
  if (leaseLapsed(at) || preflight(uid, false, true)) return false;
  if (!runner_.setSleepDisabled(true)) return false;
  auto disabled = readBack();
  return disabled && *disabled;
}

std::optional<VGXGuardError> VGXSleepGuardCore::preflight(std::uint32_t uid, bool userInitiated,
                                                          bool latch) {
  if (auto refusal = maintenanceRefusal()) return refusal;
  const auto policy = policies_.policy(uid);
  if (!policy || policy->disabled) {
    if (latch) setLatch(uid, VGXGuardLatch::policy);
    return VGXGuardError::policyDenied();
  }
  const auto sample = sensors_.sample();
  const auto at = now();
  if (auto refusal = sensorRefusal(sample, at, policy)) {
    if (auto stop = sensorLatch(*refusal); stop && latch) setLatch(uid, *stop);
    return refusal;
  }
  if (clock_.bootSessionID().empty()) return VGXGuardError::unsafe("boot session");
  const auto record = loadOrCreateSafety(uid, at);
  if (!record) return VGXGuardError::budgetExhausted();
  if (isOpen(uid, *record, *policy) || userInitiated) return std::nullopt;

  std::optional<VGXGuardLatch> reached;
  if (capReached(record->batteryHeldNs, policy->batteryCapSeconds)) {
    reached = VGXGuardLatch::batteryCap;
  } else if (capReached(record->heldNs, policy->totalCapSeconds)) {
    reached = VGXGuardLatch::totalCap;
  }
  if (latch && reached) setLatch(uid, *reached);
  const auto inMemory = safety_.find(uid);
  const auto recordLatch = inMemory != safety_.end() ? inMemory->second.latch : record->latch;
  snapshot_.latch = recordLatch ? recordLatch : reached;
  return VGXGuardError::budgetExhausted();
}

Safety VGXSleepGuardCore::freshSafety(std::uint64_t now) {
  return Safety{clock_.bootSessionID(), now, 0, 0, now, std::nullopt, std::nullopt, std::nullopt};
}

Safety VGXSleepGuardCore::exhaustedSafety(std::uint32_t uid, std::uint64_t now, bool write) {
  Safety record{.bootUUID = clock_.bootSessionID(),
                .sessionStartedAt = now,
                .heldNs = kMaxNs,
                .batteryHeldNs = kMaxNs,
                .lastCheckpoint = now,
                .latch = VGXGuardLatch::totalCap,
                .requiresRearm = std::nullopt,
                .active = std::nullopt};
  safety_[uid] = record;
  if (write) (void)persistSafety(uid);
  return record;
}

std::optional<Safety> VGXSleepGuardCore::loadOrCreateSafety(std::uint32_t uid, std::uint64_t now) {
  if (auto found = safety_.find(uid); found != safety_.end()) return found->second;
  const auto file = VGXGuardFile::safety(uid);
  const auto read = store_.read(file);
  switch (read.kind) {
    case VGXFileRead::Kind::storeError:
      return std::nullopt;
    case VGXFileRead::Kind::absent:
      return freshSafety(now);
    case VGXFileRead::Kind::error:
    case VGXFileRead::Kind::data:
      break;
  }
  std::optional<Safety> stored;
  if (read.kind == VGXFileRead::Kind::data && read.bytes.size() <= kGuardRecordMaxBytes) {
    if (auto decoded = decodeSafety(read.bytes); decoded && decoded->isValid()) stored = *decoded;
  }
  if (!stored) {
    // A damaged record is kept aside for inspection, never overwritten; when
    // it cannot be moved, the exhausted budget lives in memory only.
    return exhaustedSafety(uid, now, store_.quarantine(file).has_value());
  }
  const auto boot = clock_.bootSessionID();
  if (stored->bootUUID != boot) {
    stored->bootUUID = boot;
    stored->sessionStartedAt = now;
    stored->lastCheckpoint = now;
    stored->requiresRearm = true;
    stored->active = false;
    safety_[uid] = *stored;
    (void)persistSafety(uid);
    return stored;
  }
  if (now < stored->lastCheckpoint) return exhaustedSafety(uid, now, true);
  // A record from an earlier guard process: its lock died with that process,
  // so the time no guard ran was not held and is not charged.
  if (stored->active == true || journal_) stored->lastCheckpoint = now;
  safety_[uid] = *stored;
  return stored;
}

void VGXSleepGuardCore::checkpoint(std::uint32_t uid, const std::optional<VGXSensorSample>& sample,
                                   std::uint64_t now) {
  auto found = safety_.find(uid);
  if (found == safety_.end()) return;
  Safety& record = found->second;
  const bool wentBack = now < record.lastCheckpoint;
  const std::uint64_t elapsed = wentBack ? kMaxNs : now - record.lastCheckpoint;
  record.heldNs = wentBack ? kMaxNs : saturatingAdd(record.heldNs, elapsed);
  const bool onMains = sample && !sample->onBattery;
  if (!onMains || elapsed > kMainsGapNs) {
    record.batteryHeldNs = saturatingAdd(record.batteryHeldNs, elapsed);
  }
  record.lastCheckpoint = now;
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::persistSafety(std::uint32_t uid,
                                                                    bool routine) {
  auto found = safety_.find(uid);
  const bool rearm = pendingRearm_.contains(uid);
  if (rearm && found != safety_.end()) found->second.requiresRearm = true;
  if (found == safety_.end()) return {};
  auto data = encodeSafety(found->second);
  if (!data) return std::unexpected(VGXGuardError::io(data.error().description()));
  // A checkpoint lost in a crash of the machine is not missed: the next boot
  // requires re-arming, which starts from fresh counters; a crash of the
  // guard alone loses nothing written. What changes the record's meaning
  // (latch, activity, re-arming) is flushed.
  if (routine && !rearm) return store_.writeUnflushed(VGXGuardFile::safety(uid), *data);
  return store_.write(VGXGuardFile::safety(uid), *data);
}

void VGXSleepGuardCore::markInactive(std::uint32_t uid) {
  if (auto found = safety_.find(uid); found != safety_.end() && found->second.active == true) {
    found->second.active = false;
  }
}

void VGXSleepGuardCore::markRearmRequired(std::uint32_t uid) {
  pendingRearm_.insert(uid);
  if (!safety_.contains(uid)) {
    auto loaded = loadOrCreateSafety(uid, now());
    safety_[uid] = loaded ? *loaded : freshSafety(now());
  }
  safety_[uid].requiresRearm = true;
}

}  // namespace vigilix
