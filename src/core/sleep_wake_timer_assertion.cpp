#include <utility>

#include "core/dzl_keys.h"
#include "core/sleep_wake_timer.h"
#include "platform/base/text.h"

namespace vigilix {

namespace {

constexpr const char* kEllipsis = "\u2026";
constexpr std::size_t kEllipsisLength = 1;  // UTF-16 units

}  // namespace

platform::LockKind DZLSleepWakeTimer::desiredAssertionType() const {
  return DZLKeys::dzl_shouldAllowDisplaySleep(*environment_.defaults)
             ? platform::LockKind::systemSleep
             : platform::LockKind::displayAndSystemSleep;
}

std::string DZLSleepWakeTimer::assertionName() const {
  std::string name = std::string(kNamePrefix) + (reason_.empty() ? kDefaultReason : reason_);
  if (platform::utf16Length(name) <= kMaximumNameLength) return name;
  // Cut before the whole character that holds the last unit that still fits.
  const auto cut = platform::rangeOfComposedCharacterSequenceAtIndex(
      std::string_view(name), kMaximumNameLength - kEllipsisLength);
  return platform::prefixUtf16(name, cut.location) + kEllipsis;
}

void DZLSleepWakeTimer::setReason(const std::optional<std::string>& reason) {
  reason_ = (reason && !reason->empty()) ? *reason : kDefaultReason;
  updateLiveAssertionName();
}

void DZLSleepWakeTimer::updateLiveAssertionName() {
  if (assertionID_ == 0) return;
  // A lock cannot be renamed: an unchanged name keeps it, a new one replaces it.
  const platform::LockKind type = currentAssertionType_.value_or(desiredAssertionType());
  const auto replaced = environment_.assertions->replace(assertionID_, type, assertionName());
  if (replaced == assertionID_) return;
  lastCreateResult_ = replaced ? std::nullopt : std::optional(replaced.error());
  if (!replaced) return;
  assertionID_ = *replaced;
  currentAssertionType_ = type;
}

std::vector<platform::LockID> DZLSleepWakeTimer::currentAssertionIDs() const {
  if (assertionID_ == 0 || !environment_.assertions->heldLock(assertionID_)) return {};
  return {assertionID_};
}

std::vector<platform::LockKind> DZLSleepWakeTimer::expectedAssertionTypes() const {
  if (assertionID_ == 0 && !lastCreateFailed_) return {};
  return {currentAssertionType_.value_or(desiredAssertionType())};
}

bool DZLSleepWakeTimer::repair() {
  if (assertionID_ == 0) return false;
  if (!currentAssertionIDs().empty()) return true;
  const platform::LockKind type = currentAssertionType_.value_or(desiredAssertionType());
  const auto created = environment_.assertions->take(type, assertionName());
  lastCreateResult_ = created ? std::nullopt : std::optional(created.error());
  lastCreateFailed_ = !created;
  if (!created) return false;
  const platform::LockID stale = std::exchange(assertionID_, *created);
  currentAssertionType_ = type;
  // When the system only failed to report the old one, it is still in force
  // and would keep the machine awake after the user stops.
  (void)environment_.assertions->release(stale);
  return true;
}

}  // namespace vigilix
