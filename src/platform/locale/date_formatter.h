#pragma once

#include <optional>
#include <string>

#include "platform/base/date.h"
#include "platform/locale/calendar.h"
#include "platform/locale/locale.h"
#include "platform/locale/time_zone.h"

namespace vigilix::platform {

enum class DateFormatStyle { noStyle, shortStyle, mediumStyle, longStyle, fullStyle };

// Formats dates in a locale, calendar and time zone, by style or by template.
//
// Texts use a plain space (U+0020) where ICU puts a narrow no-break space
// (U+202F) before the day period ("3:05 PM"): our texts are compared, joined
// and spoken as ordinary words, and a hidden separator only gets in the way.
class DateFormatter {
 public:
  // Current locale, Gregorian calendar in the current time zone, no styles.
  DateFormatter();

  const Locale& locale() const { return locale_; }
  void setLocale(Locale locale) { locale_ = std::move(locale); }
  // Setting the calendar also sets the time zone to the calendar's.
  const Calendar& calendar() const { return calendar_; }
  void setCalendar(Calendar calendar);
  const TimeZone& timeZone() const { return timeZone_; }
  void setTimeZone(TimeZone timeZone) { timeZone_ = std::move(timeZone); }

  void setDateStyle(DateFormatStyle style) { dateStyle_ = style; }
  void setTimeStyle(DateFormatStyle style) { timeStyle_ = style; }
  // A skeleton such as "jmm" or "EEE d MMM", turned into the locale's own
  // pattern; it replaces the styles while set.
  void setLocalizedDateFormatFromTemplate(std::string dateTemplate);
  // A fixed ICU pattern ("h:mm a"), used as written whatever the locale's own
  // order; it wins over a template and the styles while set.
  void setDateFormat(std::string pattern) { pattern_ = std::move(pattern); }

  // With a reference date, a date style without a time style names the day
  // before, of and after the reference in words ("yesterday", "today",
  // "tomorrow"); other days, formats with a time and templates are unchanged.
  // std::nullopt turns it off.
  void setRelativeDateFormatting(std::optional<Date> relativeTo) { relativeTo_ = relativeTo; }

  // Empty when both styles are noStyle and no template is set.
  std::string stringFromDate(Date date) const;

 private:
  Locale locale_;
  Calendar calendar_;
  TimeZone timeZone_;
  DateFormatStyle dateStyle_ = DateFormatStyle::noStyle;
  DateFormatStyle timeStyle_ = DateFormatStyle::noStyle;
  std::optional<std::string> template_;
  std::optional<std::string> pattern_;
  std::optional<Date> relativeTo_;
};

}  // namespace vigilix::platform
