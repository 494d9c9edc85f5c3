#include "menubar/menu_header_model.h"

#include <climits>
#include <cmath>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/locale/date_components_formatter.h"

namespace vigilix {

using platform::CalendarUnit;
using platform::fillPlaceholders;
using platform::localized;

namespace {

// Rounded half away from zero; a threshold that is no number shows as 0
// rather than an undefined conversion.
long long wholePercent(double threshold) {
  if (!std::isfinite(threshold)) return 0;
  double rounded = std::round(threshold);
  if (rounded > static_cast<double>(INT_MAX)) return INT_MAX;
  if (rounded < static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<long long>(rounded);
}

}  // namespace

std::string VGXMenuHeaderModel::remainingText(platform::Date until, platform::Date now,
                                              const platform::Locale& locale) {
  platform::Calendar calendar;
  calendar.setLocale(locale);
  platform::DateComponentsFormatter formatter;
  formatter.setCalendar(calendar);
  formatter.setUnitsStyle(platform::UnitsStyle::shortStyle);
  formatter.setMaximumUnitCount(2);
  formatter.setIncludesTimeRemainingPhrase(false);

  double interval = until - now;
  if (interval < 0) interval = 0;  // a span that is no number gives "0" below
  if (interval < 60) {
    formatter.setAllowedUnits(CalendarUnit::second);
  } else {
    interval = std::ceil(interval / 60) * 60;
    formatter.setAllowedUnits(CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute);
  }
  return formatter.stringFromTimeInterval(interval).value_or("0");
}

std::string VGXMenuHeaderModel::reasonLine(const AwakeSnapshot& snapshot, platform::Date now,
                                           const platform::Calendar& calendar,
                                           const platform::Locale& locale, double batteryThreshold,
                                           bool lowPowerModeBlocks,
                                           std::optional<platform::Date> scheduleEnd,
                                           const AppNameResolver& appName) {
  using Kind = AwakeStatus::Kind;
  const AwakeStatus& primary = snapshot.primary;
  switch (primary.kind()) {
    case Kind::manualUntil:
      return fillPlaceholders(
          localized("Until %@ \u00B7 %@ left",
                    "Header reason for a timed session; time, remaining duration"),
          {AwakeStatusText::endTime(primary.date(), now, calendar, locale),
           remainingText(primary.date(), now, locale)});
    case Kind::automatic:
      if (primary.reason()) {
        return AwakeStatusText::reasonClause(*primary.reason(), now, calendar, locale, scheduleEnd,
                                             appName);
      }
      break;  // an automatic status without its reason reads as idle
    case Kind::idle:
      break;
    case Kind::manualIndefinite:
      return localized("Until you turn it off", "Header reason for an indefinite session");
    case Kind::blockedByBattery:
      if (lowPowerModeBlocks) {
        return localized("Paused: Low Power Mode",
                         "Header reason when Low Power Mode blocks keep-awake");
      }
      return fillPlaceholders(
          localized("Paused: battery below %d %%",
                    "Header reason when battery protection blocks keep-awake; threshold percent"),
          {std::to_string(wholePercent(batteryThreshold))});
    case Kind::blockedByHeat:
      return localized("Paused because your Mac is hot",
                       "Header reason when heat protection blocks keep-awake");
  }
  return localized("Your Mac can sleep", "Header reason when idle");
}

std::string VGXMenuHeaderModel::assertionReason(const AwakeSnapshot& snapshot, platform::Date now,
                                                const platform::Calendar& calendar,
                                                const platform::Locale& locale,
                                                std::optional<platform::Date> scheduleEnd,
                                                const AppNameResolver& appName) {
  using Kind = AwakeStatus::Kind;
  const AwakeStatus& primary = snapshot.primary;
  switch (primary.kind()) {
    case Kind::manualUntil:
      return fillPlaceholders(
          localized("Until %@", "Power assertion reason for a timed session; end time"),
          {AwakeStatusText::endTime(primary.date(), now, calendar, locale)});
    case Kind::automatic: {
      if (!primary.reason()) break;
      const TriggerReason& reason = *primary.reason();
      if (reason.kind() == TriggerReason::Kind::watchedFile) {
        return fillPlaceholders(
            localized("\u201C%@\u201D is downloading", "Power assertion reason for a file watch"),
            {reason.payload()});
      }
      if (reason.kind() == TriggerReason::Kind::watchedApp) {
        std::string name = appName ? appName(reason.payload()) : reason.payload();
        return fillPlaceholders(
            localized("%@ is running", "Power assertion reason for an app watch"), {name});
      }
      return AwakeStatusText::reasonClause(reason, now, calendar, locale, scheduleEnd, appName);
    }
    case Kind::idle:
      break;
    case Kind::manualIndefinite:
      return localized("Until you turn it off", "Power assertion reason for an indefinite session");
    case Kind::blockedByBattery:
      return localized("Battery protection", "Power assertion reason when blocked");
    case Kind::blockedByHeat:
      return localized("Heat protection", "Power assertion reason when heat-blocked");
  }
  return localized("Keeping your Mac awake", "Default power assertion reason");
}

std::optional<std::string> VGXMenuHeaderModel::automaticPauseText(
    const TriggerPause& pause, platform::Date now, const platform::Calendar& calendar,
    const platform::Locale& locale) {
  switch (pause.kind()) {
    case TriggerPause::Kind::until:
      return fillPlaceholders(localized("Paused until %@", "Automatic menu row for a timed pause"),
                              {AwakeStatusText::endTime(pause.date(), now, calendar, locale)});
    case TriggerPause::Kind::none:
      return std::nullopt;
    case TriggerPause::Kind::untilResumed:
      return localized("Paused until you resume them",
                       "Automatic menu row when triggers are paused until Resume");
  }
  return std::nullopt;
}

}  // namespace vigilix
