#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "hub/awake_state.h"
#include "platform/base/date.h"
#include "platform/locale/calendar.h"
#include "platform/locale/locale.h"
#include "triggers/trigger_reason.h"

namespace vigilix {

// Turns a bundle identifier into the name shown for the app.
using AppNameResolver = std::function<std::string(const std::string& bundleIdentifier)>;

// One running application as the app-name rule sees it.
struct RunningAppName {
  std::string bundleIdentifier;
  std::string localizedName;
};

// The sentences that describe the keep-awake state. Every builder is a pure
// function of its arguments: the caller hands in the current date, the
// calendar and the locale.
struct AwakeStatusText {
  AwakeStatusText() = delete;

  // The primary status line. `lowPowerModeBlocks` says a battery block comes
  // from Low Power Mode rather than from the battery threshold.
  static std::string statusLine(const AwakeSnapshot& snapshot, platform::Date now,
                                const platform::Calendar& calendar, const platform::Locale& locale,
                                bool lowPowerModeBlocks, std::optional<platform::Date> scheduleEnd,
                                const AppNameResolver& appName);

  // The line under the status: another matching reason, else the trigger
  // pause, else none.
  static std::optional<std::string> secondaryLine(const AwakeSnapshot& snapshot, platform::Date now,
                                                  const platform::Calendar& calendar,
                                                  const platform::Locale& locale,
                                                  std::optional<platform::Date> scheduleEnd,
                                                  const AppNameResolver& appName);

  // The clause for one reason, capitalised as it is shown after
  // "Keeping awake: ", "Also active: " and in the menu's reason rows.
  // `appName` is called for appRunning and watchedApp only.
  static std::string reasonClause(const TriggerReason& reason, platform::Date now,
                                  const platform::Calendar& calendar,
                                  const platform::Locale& locale,
                                  std::optional<platform::Date> scheduleEnd,
                                  const AppNameResolver& appName);

  // `date` as a short time, with a short date in front when it is not on the
  // same day as `now` (both read in the calendar's time zone).
  static std::string endTime(platform::Date date, platform::Date now,
                             const platform::Calendar& calendar, const platform::Locale& locale);

  // The time from `now` to `until` in at most two spelled-out units
  // ("2 hours, 5 minutes"); a span already over reads as zero.
  static std::string remaining(platform::Date now, platform::Date until,
                               const platform::Locale& locale);

  // The end of the schedule window that contains `date`, or none when the
  // window is closed at `date` or has no end (equal start and end).
  static std::optional<platform::Date> scheduleWindowEnd(const std::set<int>& weekdays,
                                                         int startMinute, int endMinute,
                                                         platform::Date date,
                                                         const platform::Calendar& calendar);

  // The name shown for a coding agent's tool identifier ("claude" is
  // "Claude Code"); an unknown identifier is shown unchanged.
  static std::string agentDisplayName(const std::string& tool);

  // The app-name rule over a list of running applications, in order: the
  // name of the first app with exactly this bundle identifier when that name
  // is not empty; else the first non-empty name of an app whose identifier
  // matches ignoring case; else the identifier itself.
  static std::string appNameAmongRunningApplications(const std::string& bundleIdentifier,
                                                     const std::vector<RunningAppName>& running);

  // The default resolver: the app-name rule over the workspace's running
  // applications at the moment of the call.
  static std::string defaultAppName(const std::string& bundleIdentifier);
};

}  // namespace vigilix
