#include <limits>

#include "sleepguard/core/sleep_guard_core.h"

namespace vigilix {

std::expected<bool, VGXGuardError> VGXSleepGuardCore::loadJournal() {
  const auto read = store_.read(VGXGuardFile::journal());
  switch (read.kind) {
    case VGXFileRead::Kind::absent:
      return false;
    case VGXFileRead::Kind::storeError:
      return std::unexpected(VGXGuardError::ioFromText(read.text));
    case VGXFileRead::Kind::error:
      corruptJournal_ = true;
      return true;
    case VGXFileRead::Kind::data:
      break;
  }
  std::optional<Journal> usable;
  if (read.bytes.size() <= kGuardRecordMaxBytes) {
    if (auto decoded = decodeJournal(read.bytes); decoded && decoded->isValid()) usable = *decoded;
  }
  if (!usable) {
    corruptJournal_ = true;
    return true;
  }
  journal_ = *usable;
  generation_ = std::max(generation_, usable->generation);
  return true;
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::writeJournal() {
  auto data = encodeJournal(*journal_);
  if (!data) return std::unexpected(VGXGuardError::io(data.error().description()));
  return store_.write(VGXGuardFile::journal(), *data);
}

VGXGuardState VGXSleepGuardCore::stateAfterClear() const {
  return drain_ || maintenance_ ? VGXGuardState::draining() : VGXGuardState::idle();
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::clearFailure() {
  snapshot_.state = VGXGuardState::clearFailed();
  grant_.reset();
  return std::unexpected(VGXGuardError::clearFailed());
}

bool VGXSleepGuardCore::disablingChildLeft() {
  if (runner_.reapUnreapedChildren()) return true;
  unreapedDisableChild_ = false;
  return false;
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::clear() {
  lastClearAttempt_ = now();
  if (externalCleanup_) return finishExternalCleanup();
  if (snapshot_.state.isHeld()) {
    const auto sample = sensors_.sample();
    checkpoint(snapshot_.state.uid, sample, now());
  }
  if (lastUID_) {
    markInactive(*lastUID_);
    if (!persistSafety(*lastUID_)) return clearSetting(true);
  }
  return clearSetting(false);
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::clearSetting(bool forceFailure) {
  if (corruptJournal_ || (journal_ && journal_->phase == Journal::Phase::intent)) {
    pendingStrayKill_ = true;
  }
  const bool strayKilled = !pendingStrayKill_ || runner_.killStrayDisablers();

  bool journalWritten = true;
  if (!corruptJournal_) {
    if (journal_) {
      journal_->phase = Journal::Phase::clearing;
    } else {
      journal_ = Journal{.version = 1,
                         .phase = Journal::Phase::clearing,
                         .bootUUID = clock_.bootSessionID(),
                         .generation = generation_,
                         .uid = lastUID_.value_or(0),
                         .setAt = now(),
                         .rearmPending = std::nullopt};
    }
    journalWritten = writeJournal().has_value();
  }

  if (!runner_.setSleepDisabled(false)) return clearFailure();
  auto disabled = readBack();
  if (!disabled) return clearFailure();
  const bool childLeft = disablingChildLeft();
  if (*disabled || forceFailure || !strayKilled || !journalWritten || childLeft) {
    return clearFailure();
  }

  if (corruptJournal_) {
    if (!store_.quarantine(VGXGuardFile::journal())) return clearFailure();
    corruptJournal_ = false;
  }
  if (!store_.remove(VGXGuardFile::journal())) return clearFailure();
  journal_.reset();
  grant_.reset();
  pendingStrayKill_ = false;
  snapshot_.state = stateAfterClear();
  return {};
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::finishExternalCleanup() {
  lastClearAttempt_ = now();
  if (lastUID_) {
    markInactive(*lastUID_);
    if (!persistSafety(*lastUID_)) return clearFailure();
  }
  auto disabled = readBack();
  if (!disabled) return clearFailure();
  if (*disabled) {
    externalCleanup_ = false;
    return clearSetting(false);
  }
  if (disablingChildLeft()) return clearFailure();
  if (!store_.remove(VGXGuardFile::journal())) return clearFailure();
  journal_.reset();
  grant_.reset();
  externalCleanup_ = false;
  pendingStrayKill_ = false;
  snapshot_.state = stateAfterClear();
  return {};
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::beginDrain() {
  std::lock_guard guard(lock_);
  drain_ = true;
  bool settle = snapshot_.state.isHeld() || journal_.has_value();
  if (!settle) {
    auto found = loadJournal();
    if (!found) {
      snapshot_.state = VGXGuardState::draining();
      return std::unexpected(VGXGuardError::asIO(found.error()));
    }
    settle = *found;
  }
  if (settle) {
    auto cleared = clear();
    snapshot_.state = VGXGuardState::draining();
    if (!cleared) return cleared;
  }
  snapshot_.state = VGXGuardState::draining();
  auto disabled = readBack();
  if (!disabled || *disabled) return std::unexpected(VGXGuardError::clearFailed());
  if (store_.read(VGXGuardFile::journal()).kind != VGXFileRead::Kind::absent) {
    return std::unexpected(VGXGuardError::clearFailed());
  }
  return {};
}

void VGXSleepGuardCore::endDrain() {
  std::lock_guard guard(lock_);
  if (store_.read(VGXGuardFile::maintenance()).kind != VGXFileRead::Kind::absent) return;
  drain_ = false;
  maintenance_ = false;
  // A hold still in force stays so; only a settled guard reports idle.
  if (snapshot_.state.isHeld()) return;
  snapshot_.state =
      journal_ || corruptJournal_ ? VGXGuardState::clearFailed() : VGXGuardState::idle();
}

void VGXSleepGuardCore::recoverAtStart() {
  std::lock_guard guard(lock_);
  (void)maintenancePending();
  auto found = loadJournal();
  if (!found) {
    snapshot_.lastReadback.reset();
  } else if (*found && journal_) {
    const auto uid = journal_->uid;
    if (uid != 0) {
      lastUID_ = uid;
      const bool loaded =
          journal_->rearmPending != true && loadOrCreateSafety(uid, now()).has_value();
      if (!loaded) markRearmRequired(uid);
    }
  }
  // Even when the store cannot tell whether a journal was left, the setting
  // may be off: turn it back on (a failure leaves clearFailed for the tick).
  (void)clear();
  if (maintenance_) snapshot_.state = VGXGuardState::draining();
}

std::expected<void, VGXGuardError> VGXSleepGuardCore::shutdown() {
  std::lock_guard guard(lock_);
  if (snapshot_.state.isHeld() || journal_) return clear();
  auto found = loadJournal();
  if (!found) return std::unexpected(VGXGuardError::asIO(found.error()));
  if (!*found) return {};
  return clear();
}

}  // namespace vigilix
