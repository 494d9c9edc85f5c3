#include "menubar/awake_status_text.h"

#include <string>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/locale/date_components_formatter.h"
#include "platform/locale/date_formatter.h"

namespace vigilix {

using platform::fillPlaceholders;
using platform::localized;

std::string AwakeStatusText::endTime(platform::Date date, platform::Date now,
                                     const platform::Calendar& calendar,
                                     const platform::Locale& locale) {
  platform::DateFormatter formatter;
  formatter.setLocale(locale);
  formatter.setCalendar(calendar);
  formatter.setTimeStyle(platform::DateFormatStyle::shortStyle);
  formatter.setDateStyle(calendar.isDateInSameDayAsDate(date, now)
                             ? platform::DateFormatStyle::noStyle
                             : platform::DateFormatStyle::shortStyle);
  return formatter.stringFromDate(date);
}

std::string AwakeStatusText::remaining(platform::Date now, platform::Date until,
                                       const platform::Locale& locale) {
  platform::Calendar calendar;
  calendar.setLocale(locale);
  platform::DateComponentsFormatter formatter;
  formatter.setCalendar(calendar);
  formatter.setAllowedUnits(platform::CalendarUnit::day | platform::CalendarUnit::hour |
                            platform::CalendarUnit::minute | platform::CalendarUnit::second);
  formatter.setUnitsStyle(platform::UnitsStyle::full);
  formatter.setMaximumUnitCount(2);
  formatter.setIncludesTimeRemainingPhrase(false);
  double interval = until - now;
  if (interval < 0) interval = 0;
  return formatter.stringFromTimeInterval(interval).value_or("0");
}

std::string AwakeStatusText::reasonClause(const TriggerReason& reason, platform::Date now,
                                          const platform::Calendar& calendar,
                                          const platform::Locale& locale,
                                          std::optional<platform::Date> scheduleEnd,
                                          const AppNameResolver& appName) {
  using Kind = TriggerReason::Kind;
  auto fill = [](const char* format, const char* comment, std::string argument) {
    return fillPlaceholders(localized(format, comment), {std::move(argument)});
  };
  // An empty resolver shows the identifier rather than throwing.
  auto nameOf = [&appName](const std::string& identifier) {
    return appName ? appName(identifier) : identifier;
  };
  switch (reason.kind()) {
    case Kind::appRunning:
      return fill("%@ is running", "Trigger reason; app name", nameOf(reason.payload()));
    case Kind::watchedFile:
      return fill("Until \u201C%@\u201D finishes downloading", "Watch status; file name",
                  reason.payload());
    case Kind::watchedApp:
      return fill("Until %@ quits", "Watch status; app name", nameOf(reason.payload()));
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
      if (scheduleEnd) {
        return fill("scheduled until %@", "Trigger reason; end time",
                    endTime(*scheduleEnd, now, calendar, locale));
      }
      return localized("scheduled", "Trigger reason when the schedule end is unknown");
    case Kind::focus:
      return localized("While your Focus is on", "Trigger reason");
    case Kind::timeMachine:
      return localized("Time Machine is backing up", "Trigger reason");
  }
  return {};
}

std::string AwakeStatusText::statusLine(const AwakeSnapshot& snapshot, platform::Date now,
                                        const platform::Calendar& calendar,
                                        const platform::Locale& locale, bool lowPowerModeBlocks,
                                        std::optional<platform::Date> scheduleEnd,
                                        const AppNameResolver& appName) {
  using Kind = AwakeStatus::Kind;
  const AwakeStatus& primary = snapshot.primary;
  switch (primary.kind()) {
    case Kind::manualUntil:
      return fillPlaceholders(
          localized("Keeping awake until %@ (%@ remaining)",
                    "Menu status for a timed manual session; time, remaining duration"),
          {endTime(primary.date(), now, calendar, locale), remaining(now, primary.date(), locale)});
    case Kind::automatic: {
      // An automatic status always carries its reason; an empty one would be
      // a fault upstream, and reads as the idle line rather than crashing.
      if (!primary.reason()) break;
      const TriggerReason& reason = *primary.reason();
      if (reason.kind() == TriggerReason::Kind::agent) {
        int count = snapshot.agentCount;
        bool anotherAgent =
            snapshot.alsoActive && snapshot.alsoActive->kind() == TriggerReason::Kind::agent;
        if (anotherAgent && count < 2) count = 2;
        if (anotherAgent || count >= 2) {
          return "Keeping awake: " + std::to_string(count) + " AI agents are working";
        }
      }
      return fillPlaceholders(
          localized("Keeping awake: %@", "Menu status for an automatic session; reason clause"),
          {reasonClause(reason, now, calendar, locale, scheduleEnd, appName)});
    }
    case Kind::idle:
      break;
    case Kind::manualIndefinite:
      return localized("Keeping awake until you stop it",
                       "Menu status for an indefinite manual session");
    case Kind::blockedByBattery:
      if (lowPowerModeBlocks) {
        return localized("Low Power Mode: Vigilix is not keeping your Mac awake",
                         "Menu status when Low Power Mode blocks keep-awake");
      }
      return localized("Battery protection: Vigilix is not keeping your Mac awake",
                       "Menu status when battery protection blocks keep-awake");
    case Kind::blockedByHeat:
      return localized("Paused because your Mac is hot",
                       "Menu status when heat protection blocks keep-awake");
  }
  return localized("Vigilix is not keeping your Mac awake", "Menu status when idle");
}

std::optional<std::string> AwakeStatusText::secondaryLine(const AwakeSnapshot& snapshot,
                                                          platform::Date now,
                                                          const platform::Calendar& calendar,
                                                          const platform::Locale& locale,
                                                          std::optional<platform::Date> scheduleEnd,
                                                          const AppNameResolver& appName) {
  if (snapshot.alsoActive) {
    return fillPlaceholders(
        localized("Also active: %@", "Secondary menu status naming another matching trigger"),
        {reasonClause(*snapshot.alsoActive, now, calendar, locale, scheduleEnd, appName)});
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
          {endTime(snapshot.pause.date(), now, calendar, locale)});
  }
  return std::nullopt;
}

}  // namespace vigilix
