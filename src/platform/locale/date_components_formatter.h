#pragma once

#include <optional>
#include <string>

#include "platform/locale/calendar.h"

namespace vigilix::platform {

// The version of the locale data the words come from: another may word a span otherwise.
std::string localeDataVersion();

// Spelled-out unit names ("2 hours, 5 minutes"), shortened words
// ("2 hr, 5 min") or abbreviations ("2h 5m"); the words are the locale's.
enum class UnitsStyle { abbreviated, shortStyle, full };

// Writes a span of seconds as calendar units.
//
// Rules: the span is cut into the allowed units (largest first), truncating
// whatever is below the smallest unit shown, so 119 s in minutes is
// "1 minute". Leading zero units are skipped; at most `maximumUnitCount`
// consecutive units follow (0 = no limit), and zero units among them are left
// out. A span that shows no non-zero unit reads as zero of the smallest
// allowed unit ("0 seconds"). A negative span carries its sign on the first
// unit.
class DateComponentsFormatter {
 public:
  // Days, hours, minutes and seconds; full style; no limit; current calendar.
  DateComponentsFormatter();

  // Any of day, hour, minute and second; other units are ignored.
  void setAllowedUnits(CalendarUnit units) { allowedUnits_ = units; }
  void setUnitsStyle(UnitsStyle style) { unitsStyle_ = style; }
  void setMaximumUnitCount(int count) { maximumUnitCount_ = count; }
  // Appends the "remaining" phrase ("5 minutes remaining").
  void setIncludesTimeRemainingPhrase(bool include) { includesTimeRemainingPhrase_ = include; }
  // The words come from the calendar's locale.
  void setCalendar(Calendar calendar) { calendar_ = std::move(calendar); }
  const Calendar& calendar() const { return calendar_; }

  // std::nullopt for a span that is not finite, or when no unit is allowed.
  std::optional<std::string> stringFromTimeInterval(double seconds) const;

 private:
  CalendarUnit allowedUnits_;
  UnitsStyle unitsStyle_ = UnitsStyle::full;
  int maximumUnitCount_ = 0;
  bool includesTimeRemainingPhrase_ = false;
  Calendar calendar_;
};

}  // namespace vigilix::platform
