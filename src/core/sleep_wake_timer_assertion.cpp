#include "core/dzl_keys.h"
#include "core/sleep_wake_timer.h"
#include "platform/base/text.h"

namespace vigilix {

namespace {

constexpr const char* kEllipsis = "\u2026";
constexpr std::size_t kEllipsisLength = 1;  // UTF-16 units

}  // namespace

std::string DZLSleepWakeTimer::desiredAssertionType() const {
  return DZLKeys::dzl_shouldAllowDisplaySleep(*environment_.defaults)
             ? platform::kAssertionTypePreventUserIdleSystemSleep
             : platform::kAssertionTypePreventUserIdleDisplaySleep;
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
  const std::string type = currentAssertionType_.value_or(desiredAssertionType());
  const auto replaced = environment_.assertions->replace(assertionID_, type, assertionName());
  if (replaced.result == platform::kPowerReturnSuccess && replaced.assertionID == assertionID_) {
    return;
  }
  lastCreateResult_ = replaced.result;
  if (replaced.result != platform::kPowerReturnSuccess || replaced.assertionID == 0) return;
  assertionID_ = replaced.assertionID;
  currentAssertionType_ = type;
}

std::vector<platform::PowerAssertionID> DZLSleepWakeTimer::currentAssertionIDs() const {
  if (assertionID_ == 0 || !environment_.assertions->copyProperties(assertionID_)) return {};
  return {assertionID_};
}

std::vector<std::string> DZLSleepWakeTimer::expectedAssertionTypes() const {
  if (assertionID_ == 0 && !lastCreateFailed_) return {};
  return {currentAssertionType_.value_or(desiredAssertionType())};
}

bool DZLSleepWakeTimer::repair() {
  if (assertionID_ == 0) return false;
  if (!currentAssertionIDs().empty()) return true;
  const std::string type = currentAssertionType_.value_or(desiredAssertionType());
  const auto created = environment_.assertions->createWithName(
      type, platform::kPowerAssertionLevelOn, assertionName());
  lastCreateResult_ = created.result;
  if (created.result != platform::kPowerReturnSuccess || created.assertionID == 0) {
    lastCreateFailed_ = true;
    return false;
  }
  lastCreateFailed_ = false;
  const platform::PowerAssertionID stale = assertionID_;
  assertionID_ = created.assertionID;
  currentAssertionType_ = type;
  // When the system only failed to report the old one, it is still in force
  // and would keep the machine awake after the user stops.
  environment_.assertions->release(stale);
  return true;
}

}  // namespace vigilix
