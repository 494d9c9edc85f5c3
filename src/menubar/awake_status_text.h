#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "keepawake/awake_state.h"
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

struct StatusTextContext;

// Where a status is shown. Each surface has its own sentence for every
// status.
enum class StatusSurface {
  statusLine,       // the menu's primary status
  headerReason,     // the line under the menu header's title
  assertionReason,  // the name of the keep-awake power assertion
};

// How a remaining time is written: spelled-out units ("2 hours, 5 minutes"),
// or shortened words rounded up to whole minutes from one minute on ("2 min"
// for 61 s).
enum class RemainingStyle { full, shortened };

// The sentences that describe the keep-awake state. Every builder is a pure
// function of its arguments.
struct AwakeStatusText {
  AwakeStatusText() = delete;

  // The sentence for the snapshot's primary status on one surface.
  static std::string text(StatusSurface surface, const AwakeSnapshot& snapshot,
                          const StatusTextContext& context);
  static std::string statusLine(const AwakeSnapshot& snapshot, const StatusTextContext& context) {
    return text(StatusSurface::statusLine, snapshot, context);
  }

  // The line under the status: another matching reason, else the trigger
  // pause, else none.
  static std::optional<std::string> secondaryLine(const AwakeSnapshot& snapshot,
                                                  const StatusTextContext& context);

  // The clause for one reason, capitalised as it is shown after
  // "Keeping awake: ", "Also active: " and in the menu's reason rows.
  static std::string reasonClause(const TriggerReason& reason, const StatusTextContext& context);

  // `date` as a short time, with a short date in front when it is not on the
  // same day as the context's now (both read in its calendar's time zone).
  static std::string endTime(platform::Date date, const StatusTextContext& context);

  // The time from the context's now to `until` in at most two units; a span
  // already over reads as zero, one that is no number as "0".
  static std::string remaining(platform::Date until, const StatusTextContext& context,
                               RemainingStyle style = RemainingStyle::full);

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

// Everything the status texts read besides the keep-awake state, gathered
// once per refresh so that every surface describes the same moment.
struct StatusTextContext {
  platform::Date now;
  platform::Calendar calendar;  // its time zone decides days and times
  platform::Locale locale = platform::Locale::current();
  // The end of the schedule window in force, when known.
  std::optional<platform::Date> scheduleEnd = std::nullopt;
  // Asked for appRunning and watchedApp only; an empty one shows the
  // identifier. By default: the running applications.
  AppNameResolver appName = AwakeStatusText::defaultAppName;
  // A battery block comes from Low Power Mode rather than the threshold.
  bool lowPowerModeBlocks = false;
  // The effective battery threshold in percent.
  double batteryThreshold = 0;
};

}  // namespace vigilix
