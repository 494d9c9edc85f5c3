#include "menubar/awake_status_text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/locale/date_components_formatter.h"
#include "platform/locale/date_formatter.h"

namespace vigilix {

using platform::CalendarUnit;
using platform::fillPlaceholders;
using platform::localized;

namespace {

// A sentence built only when its surface is the one asked for, so that no
// other surface's formatting or app-name lookup runs.
using Sentence = std::function<std::string()>;

Sentence fixed(const char* english, const char* comment) {
  return [=] { return localized(english, comment); };
}

Sentence filled(const char* english, const char* comment,
                std::function<std::vector<std::string>()> arguments) {
  return [=] { return fillPlaceholders(localized(english, comment), arguments()); };
}

std::string pick(StatusSurface surface, const Sentence& statusLine, const Sentence& headerReason,
                 const Sentence& assertionReason) {
  switch (surface) {
    case StatusSurface::statusLine:
      return statusLine();
    case StatusSurface::headerReason:
      return headerReason();
    case StatusSurface::assertionReason:
      return assertionReason();
  }
  return statusLine();
}

// Rounded half away from zero; a threshold that is no number shows as 0
// rather than an undefined conversion.
long long wholePercent(double threshold) {
  if (!std::isfinite(threshold)) return 0;
  double rounded = std::round(threshold);
  if (rounded > static_cast<double>(INT_MAX)) return INT_MAX;
  if (rounded < static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<long long>(rounded);
}

// The agent count shown when the primary reason is an agent: another agent
// beside it means at least two; one alone is named instead (none).
std::optional<int> agentsWorking(const AwakeSnapshot& snapshot) {
  bool anotherAgent =
      snapshot.alsoActive && snapshot.alsoActive->kind() == TriggerReason::Kind::agent;
  if (anotherAgent) return std::max(snapshot.agentCount, 2);
  if (snapshot.agentCount >= 2) return snapshot.agentCount;
  return std::nullopt;
}

std::string nameOf(const std::string& bundleIdentifier, const StatusTextContext& context) {
  return context.appName ? context.appName(bundleIdentifier) : bundleIdentifier;
}

}  // namespace

std::string AwakeStatusText::endTime(platform::Date date, const StatusTextContext& context) {
  platform::DateFormatter formatter;
  formatter.setLocale(context.locale);
  formatter.setCalendar(context.calendar);
  formatter.setTimeStyle(platform::DateFormatStyle::shortStyle);
  formatter.setDateStyle(context.calendar.isDateInSameDayAsDate(date, context.now)
                             ? platform::DateFormatStyle::noStyle
                             : platform::DateFormatStyle::shortStyle);
  return formatter.stringFromDate(date);
}

std::string AwakeStatusText::remaining(platform::Date until, const StatusTextContext& context,
                                       RemainingStyle style) {
  platform::Calendar calendar;
  calendar.setLocale(context.locale);
  platform::DateComponentsFormatter formatter;
  formatter.setCalendar(calendar);
  formatter.setMaximumUnitCount(2);
  formatter.setIncludesTimeRemainingPhrase(false);
  double interval = until - context.now;
  if (interval < 0) interval = 0;  // a span that is no number gives "0" below
  if (style == RemainingStyle::full) {
    formatter.setUnitsStyle(platform::UnitsStyle::full);
    formatter.setAllowedUnits(CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute |
                              CalendarUnit::second);
  } else if (interval < 60) {
    formatter.setUnitsStyle(platform::UnitsStyle::shortStyle);
    formatter.setAllowedUnits(CalendarUnit::second);
  } else {
    formatter.setUnitsStyle(platform::UnitsStyle::shortStyle);
    formatter.setAllowedUnits(CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute);
    interval = std::ceil(interval / 60) * 60;
  }
  return formatter.stringFromTimeInterval(interval).value_or("0");
}

std::string AwakeStatusText::reasonClause(const TriggerReason& reason,
                                          const StatusTextContext& context) {
  using Kind = TriggerReason::Kind;
  auto fill = [](const char* format, const char* comment, std::string argument) {
    return fillPlaceholders(localized(format, comment), {std::move(argument)});
  };
  switch (reason.kind()) {
    case Kind::appRunning:
      return fill("%@ is running", "Trigger reason; app name", nameOf(reason.payload(), context));
    case Kind::watchedFile:
      return fill("Until \u201C%@\u201D finishes downloading", "Watch status; file name",
                  reason.payload());
    case Kind::watchedApp:
      return fill("Until %@ quits", "Watch status; app name", nameOf(reason.payload(), context));
    case Kind::wifiNetwork:
      return fill("connected to %@", "Trigger reason; Wi-Fi name", reason.payload());
    case Kind::agent:
      return agentDisplayName(reason.payload()) + " is working";
    case Kind::powerAdapter:
      return localized("power adapter connected", "Trigger reason");
    case Kind::externalDisplay:
      return localized("external display connected", "Trigger reason");
    case Kind::inCall:
      return localized("During a call", "Trigger reason");
    case Kind::audioPlaying:
      return localized("While audio is playing", "Trigger reason");
    case Kind::diskActivity:
      return localized("While files are copying", "Trigger reason");
    case Kind::networkActivity:
      return localized("network is busy", "Trigger reason");
    case Kind::cpuUsage:
      return localized("CPU is busy", "Trigger reason");
    case Kind::schedule:
      if (context.scheduleEnd) {
        return fill("scheduled until %@", "Trigger reason; end time",
                    endTime(*context.scheduleEnd, context));
      }
      return localized("scheduled", "Trigger reason when the schedule end is unknown");
    case Kind::focus:
      return localized("While your Focus is on", "Trigger reason");
    case Kind::timeMachine:
      return localized("A backup is running", "Trigger reason");
  }
  return {};
}

std::string AwakeStatusText::text(StatusSurface surface, const AwakeSnapshot& snapshot,
                                  const StatusTextContext& context) {
  using Kind = AwakeStatus::Kind;
  const AwakeStatus& primary = snapshot.primary;
  // An automatic status always carries its reason; an empty one would be a
  // fault upstream, and reads as idle rather than crashing.
  const Kind kind =
      primary.kind() == Kind::automatic && !primary.reason() ? Kind::idle : primary.kind();
  switch (kind) {
    case Kind::idle:
      return pick(surface,
                  fixed("Vigilix is not keeping your computer awake", "Menu status when idle"),
                  fixed("Your computer can sleep", "Header reason when idle"),
                  fixed("Keeping your computer awake", "Default power assertion reason"));
    case Kind::manualUntil: {
      const platform::Date end = primary.date();
      return pick(surface,
                  filled("Keeping awake until %@ (%@ remaining)",
                         "Menu status for a timed manual session; time, remaining duration",
                         [&] {
                           return std::vector{endTime(end, context), remaining(end, context)};
                         }),
                  filled("Until %@ \u00B7 %@ left",
                         "Header reason for a timed session; time, remaining duration",
                         [&] {
                           return std::vector{endTime(end, context),
                                              remaining(end, context, RemainingStyle::shortened)};
                         }),
                  filled("Until %@", "Power assertion reason for a timed session; end time",
                         [&] { return std::vector{endTime(end, context)}; }));
    }
    case Kind::automatic: {
      const TriggerReason& reason = *primary.reason();
      Sentence clause = [&] { return reasonClause(reason, context); };
      Sentence statusLine =
          filled("Keeping awake: %@", "Menu status for an automatic session; reason clause",
                 [&] { return std::vector{clause()}; });
      if (auto agents = reason.kind() == TriggerReason::Kind::agent ? agentsWorking(snapshot)
                                                                    : std::nullopt) {
        statusLine = [n = *agents] {
          return "Keeping awake: " + std::to_string(n) + " AI agents are working";
        };
      }
      Sentence assertion = clause;
      if (reason.kind() == TriggerReason::Kind::watchedFile) {
        assertion =
            filled("\u201C%@\u201D is downloading", "Power assertion reason for a file watch",
                   [&] { return std::vector{reason.payload()}; });
      } else if (reason.kind() == TriggerReason::Kind::watchedApp) {
        assertion = filled("%@ is running", "Power assertion reason for an app watch",
                           [&] { return std::vector{nameOf(reason.payload(), context)}; });
      }
      return pick(surface, statusLine, clause, assertion);
    }
    case Kind::manualIndefinite:
      return pick(
          surface,
          fixed("Keeping awake until you stop it", "Menu status for an indefinite manual session"),
          fixed("Until you turn it off", "Header reason for an indefinite session"),
          fixed("Until you turn it off", "Power assertion reason for an indefinite session"));
    case Kind::blockedByBattery:
      if (context.lowPowerModeBlocks) {
        return pick(
            surface,
            fixed("Low Power Mode: Vigilix is not keeping your computer awake",
                  "Menu status when Low Power Mode blocks keep-awake"),
            fixed("Paused: Low Power Mode", "Header reason when Low Power Mode blocks keep-awake"),
            fixed("Battery protection", "Power assertion reason when blocked"));
      }
      return pick(
          surface,
          fixed("Battery protection: Vigilix is not keeping your computer awake",
                "Menu status when battery protection blocks keep-awake"),
          filled(
              "Paused: battery below %d %%",
              "Header reason when battery protection blocks keep-awake; threshold percent",
              [&] { return std::vector{std::to_string(wholePercent(context.batteryThreshold))}; }),
          fixed("Battery protection", "Power assertion reason when blocked"));
    case Kind::blockedByHeat:
      return pick(surface,
                  fixed("Paused because your computer is hot",
                        "Menu status when heat protection blocks keep-awake"),
                  fixed("Paused because your computer is hot",
                        "Header reason when heat protection blocks keep-awake"),
                  fixed("Heat protection", "Power assertion reason when heat-blocked"));
  }
  return {};  // every status is handled above
}

std::optional<std::string> AwakeStatusText::secondaryLine(const AwakeSnapshot& snapshot,
                                                          const StatusTextContext& context) {
  if (snapshot.alsoActive) {
    return fillPlaceholders(
        localized("Also active: %@", "Secondary menu status naming another matching trigger"),
        {reasonClause(*snapshot.alsoActive, context)});
  }
  switch (snapshot.pause.kind()) {
    case TriggerPause::Kind::none:
      return std::nullopt;
    case TriggerPause::Kind::untilResumed:
      return localized("Triggers paused until you resume them",
                       "Secondary menu status when triggers are paused until Resume");
    case TriggerPause::Kind::until:
      return fillPlaceholders(
          localized("Triggers paused until %@", "Secondary menu status for a timed trigger pause"),
          {endTime(snapshot.pause.date(), context)});
  }
  return std::nullopt;
}

}  // namespace vigilix
