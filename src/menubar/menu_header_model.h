#pragma once

#include <optional>
#include <string>

#include "hub/awake_state.h"
#include "menubar/awake_status_text.h"
#include "platform/base/date.h"
#include "platform/locale/calendar.h"
#include "platform/locale/locale.h"

namespace vigilix {

// Text builders of the menu header: its reason line, the name of the
// keep-awake power assertion and the pause row of the automatic section.
// Pure functions of their arguments.
struct VGXMenuHeaderModel {
  VGXMenuHeaderModel() = delete;

  // `batteryThreshold` is the effective threshold in percent;
  // `lowPowerModeBlocks` says a battery block comes from Low Power Mode.
  static std::string reasonLine(const AwakeSnapshot& snapshot, platform::Date now,
                                const platform::Calendar& calendar, const platform::Locale& locale,
                                double batteryThreshold, bool lowPowerModeBlocks,
                                std::optional<platform::Date> scheduleEnd,
                                const AppNameResolver& appName);

  static std::string assertionReason(const AwakeSnapshot& snapshot, platform::Date now,
                                     const platform::Calendar& calendar,
                                     const platform::Locale& locale,
                                     std::optional<platform::Date> scheduleEnd,
                                     const AppNameResolver& appName);

  static std::optional<std::string> automaticPauseText(const TriggerPause& pause,
                                                       platform::Date now,
                                                       const platform::Calendar& calendar,
                                                       const platform::Locale& locale);

  // The time left in shortened words, at most two units: seconds alone
  // below a minute, else whole minutes rounded up ("2 min" for 61 s).
  static std::string remainingText(platform::Date until, platform::Date now,
                                   const platform::Locale& locale);
};

}  // namespace vigilix
