#pragma once

#include <optional>
#include <string>

#include "keepawake/awake_state.h"
#include "platform/base/date.h"

namespace vigilix {

// The time left of a timed session as the status item's short title
// ("1:05", hours and minutes) and how long that title stays right, so the
// caller can arm one timer for the next change instead of polling.
struct VGXMenuBarCountdown {
  VGXMenuBarCountdown() = delete;

  // 99 hours: longer sessions show no countdown.
  static constexpr double maximumRemaining = 356400;

  // "%d:%02d" of the remaining minutes rounded up, so the last minute reads
  // 0:01 to the end; none unless 0 < remaining <= maximumRemaining.
  static std::optional<std::string> text(double remaining);
  // The countdown of a timed session at `now`; none for any other status.
  static std::optional<std::string> text(const AwakeStatus& status, platform::Date now);
  // Seconds until the rounded-up minute count drops by one, at least 0.05;
  // none exactly when text() is none.
  static std::optional<double> nextUpdateDelay(double remaining);
};

// The same rules for the application controller.
struct VGXMenuBarCountdownText {
  VGXMenuBarCountdownText() = delete;

  static std::optional<std::string> textWithRemaining(double remaining) {
    return VGXMenuBarCountdown::text(remaining);
  }
  static std::optional<double> nextUpdateDelayWithRemaining(double remaining) {
    return VGXMenuBarCountdown::nextUpdateDelay(remaining);
  }
};

}  // namespace vigilix
