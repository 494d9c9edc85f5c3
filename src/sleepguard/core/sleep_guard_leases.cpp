#include "sleepguard/core/sleep_guard_core.h"

namespace vigilix {

std::expected<VGXHoldGrant, VGXGuardError> VGXSleepGuardCore::hold(std::uint32_t uid,
                                                                   bool userInitiated) {
  std::lock_guard guard(lock_);
  if (auto refusal = maintenanceRefusal()) return std::unexpected(*refusal);
  switch (snapshot_.state.kind) {
    case VGXGuardState::Kind::clearFailed:
      return std::unexpected(VGXGuardError::clearFailed());
    case VGXGuardState::Kind::held:
      if (snapshot_.state.uid != uid) return std::unexpected(VGXGuardError::inUseByAnotherUser());
      break;
    case VGXGuardState::Kind::idle:
    case VGXGuardState::Kind::draining:
      break;
  }
  const auto policy = policies_.policy(uid);
  if (!policy || policy->disabled) return std::unexpected(VGXGuardError::policyDenied());

  // The sample first: one stamped after "now" would read as stale.
  const auto sample = sensors_.sample();
  const auto at = now();
  if (auto refusal = sensorRefusal(sample, at, policy)) {
    return std::unexpected(*refusal);
  }
  if (clock_.bootSessionID().empty()) return std::unexpected(VGXGuardError::unsafe("boot session"));

  auto record = loadOrCreateSafety(uid, at);
  if (!record) return std::unexpected(VGXGuardError::budgetExhausted());

  if (snapshot_.state.isHeldBy(uid)) {
    evaluate(false, false);
    if (snapshot_.state.isHeldBy(uid)) {
      noteSleepOffset();
      return newGrant();
    }
    if (snapshot_.state.kind == VGXGuardState::Kind::clearFailed) {
      return std::unexpected(VGXGuardError::clearFailed());
    }
    return std::unexpected(VGXGuardError::notHeld());
  }

  std::optional<Safety> prior;
  if (!isOpen(uid, *record, *policy)) {
    if (!userInitiated) {
      snapshot_.latch = record->latch;
      return std::unexpected(VGXGuardError::budgetExhausted());
    }
    prior = std::move(*record);
    record = freshSafety(at);
  }

  auto disabled = readBack();
  if (!disabled) return std::unexpected(VGXGuardError::unsafe("readback"));
  auto found = loadJournal();
  if (!found) return std::unexpected(VGXGuardError::asIO(found.error()));
  const bool journalExists = *found || journal_ || corruptJournal_;
  if (*disabled) {
    if (!journalExists) return std::unexpected(VGXGuardError::alreadyDisabled());
    (void)clear();
    return std::unexpected(VGXGuardError::clearFailed());
  }
  if (journalExists && !clear()) return std::unexpected(VGXGuardError::clearFailed());

  return apply(uid, userInitiated, std::move(*record), std::move(prior), at);
}

std::expected<VGXHoldGrant, VGXGuardError> VGXSleepGuardCore::apply(std::uint32_t uid,
                                                                    bool userInitiated,
                                                                    Safety current,
                                                                    std::optional<Safety> prior,
                                                                    std::uint64_t now) {
  const bool rearming = prior.has_value();
  // Until the hold is applied the stored budget is the old one; the fresh
  // record replaces it only on success, so a failed re-arming keeps the latch.
  safety_[uid] = rearming ? *prior : current;
  lastUID_ = uid;
  snapshot_.latch = safety_[uid].latch;

  Journal intent{.version = 1,
                 .phase = Journal::Phase::intent,
                 .bootUUID = clock_.bootSessionID(),
                 .generation = generation_ + 1,
                 .uid = uid,
                 .setAt = now,
                 .rearmPending = rearming ? std::optional(true) : std::nullopt};

  if (auto written = persistSafety(uid); !written) {
    return std::unexpected(rollBack(uid, prior, written.error()));
  }
  journal_ = intent;
  if (auto written = writeJournal(); !written) {
    return std::unexpected(rollBack(uid, prior, written.error()));
  }

  if (auto refusal = preflight(uid, userInitiated, false)) {
    (void)clear();
    return std::unexpected(*refusal);
  }

  auto before = readBack();
  if (!before) return std::unexpected(rollBack(uid, prior, before.error()));
  if (*before) {
    (void)clear();
    return std::unexpected(VGXGuardError::alreadyDisabled());
  }
  if (auto set = runner_.setSleepDisabled(true); !set) {
    if (set.error() == VGXGuardError::io(std::string(kDisablingChildNotReaped))) {
      unreapedDisableChild_ = true;
    }
    return std::unexpected(rollBack(uid, prior, set.error()));
  }
  auto after = readBack();
  if (!after) return std::unexpected(rollBack(uid, prior, after.error()));
  if (!*after) return std::unexpected(rollBack(uid, prior, VGXGuardError::unsafe("readback")));

  if (journal_) {
    journal_->phase = Journal::Phase::applied;
    if (auto written = writeJournal(); !written) {
      return std::unexpected(rollBack(uid, prior, written.error()));
    }
  }
  Safety held = rearming ? current : safety_[uid];
  held.active = true;
  held.lastCheckpoint = this->now();
  safety_[uid] = held;
  pendingRearm_.erase(uid);
  if (auto written = persistSafety(uid); !written) {
    return std::unexpected(rollBack(uid, prior, written.error()));
  }
  if (journal_ && journal_->rearmPending == true) {
    journal_->rearmPending = false;
    if (auto written = writeJournal(); !written) {
      return std::unexpected(rollBack(uid, prior, written.error()));
    }
  }
  snapshot_.latch = held.latch;
  generation_ = intent.generation;
  snapshot_.state = VGXGuardState::held(uid);
  sleepOffset_.reset();
  pendingWake_ = false;
  noteSleepOffset();
  return newGrant();
}

VGXGuardError VGXSleepGuardCore::rollBack(std::uint32_t uid, const std::optional<Safety>& prior,
                                          VGXGuardError error) {
  if (!prior) {
    markInactive(uid);
  } else {
    safety_[uid] = *prior;
    snapshot_.latch = prior->latch;
    if (!persistSafety(uid)) markRearmRequired(uid);
  }
  if (journal_) (void)clear();
  return error;
}

std::expected<VGXHoldGrant, VGXGuardError> VGXSleepGuardCore::renew(std::uint32_t uid,
                                                                    const std::string& token) {
  std::lock_guard guard(lock_);
  if (auto refusal = maintenanceRefusal()) return std::unexpected(*refusal);
  switch (snapshot_.state.kind) {
    case VGXGuardState::Kind::clearFailed:
      return std::unexpected(VGXGuardError::clearFailed());
    case VGXGuardState::Kind::idle:
    case VGXGuardState::Kind::draining:
      return std::unexpected(VGXGuardError::notHeld());
    case VGXGuardState::Kind::held:
      if (snapshot_.state.uid != uid) return std::unexpected(VGXGuardError::inUseByAnotherUser());
      break;
  }
  if (!grant_ || grant_->token != token) return std::unexpected(VGXGuardError::stale());
  evaluate(false, false);
  if (snapshot_.state.isHeldBy(uid) && grant_) {
    noteSleepOffset();
    leaseAt_ = now();
    return *grant_;
  }
  if (snapshot_.state.kind == VGXGuardState::Kind::clearFailed) {
    return std::unexpected(VGXGuardError::clearFailed());
  }
  return std::unexpected(VGXGuardError::notHeld());
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::release(
    std::uint32_t uid, const std::optional<std::string>& token) {
  std::lock_guard guard(lock_);
  if (snapshot_.state.isHeld()) {
    const bool matches = grant_ ? token && *token == grant_->token : !token;
    if (!matches) return std::unexpected(VGXGuardError::stale());
    if (snapshot_.state.uid != uid) return std::unexpected(VGXGuardError::inUseByAnotherUser());
    return clear();
  }
  if (!journal_) {
    auto found = loadJournal();
    if (!found) return std::unexpected(VGXGuardError::asIO(found.error()));
    if (!*found) return {};
  }
  return clear();
}

}  // namespace vigilix
