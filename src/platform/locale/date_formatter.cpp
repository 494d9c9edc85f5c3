#include "platform/locale/date_formatter.h"

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>

#include <cmath>
#include <memory>

#include "platform/locale/icu_support.h"

namespace vigilix::platform {
namespace {

icu::DateFormat::EStyle toIcu(DateFormatStyle style) {
  switch (style) {
    case DateFormatStyle::noStyle:
      return icu::DateFormat::kNone;
    case DateFormatStyle::shortStyle:
      return icu::DateFormat::kShort;
    case DateFormatStyle::mediumStyle:
      return icu::DateFormat::kMedium;
    case DateFormatStyle::longStyle:
      return icu::DateFormat::kLong;
    case DateFormatStyle::fullStyle:
      return icu::DateFormat::kFull;
  }
  return icu::DateFormat::kNone;
}

std::string withPlainSpaces(icu::UnicodeString text) {
  text.findAndReplace(icu::UnicodeString(static_cast<UChar32>(0x202F)), icu::UnicodeString(u' '));
  return icu_support::toUtf8(text);
}

// Whole calendar days from `from` to `to`, counted in the calendar's zone.
std::optional<int> dayDistance(const Calendar& calendar, Date from, Date to) {
  constexpr auto kDay = CalendarUnit::year | CalendarUnit::month | CalendarUnit::day;
  for (int offset : {-1, 0, 1}) {
    auto shifted = calendar.dateByAddingUnit(CalendarUnit::day, offset, from);
    if (shifted &&
        calendar.componentsFromDate(kDay, *shifted) == calendar.componentsFromDate(kDay, to)) {
      return offset;
    }
  }
  return std::nullopt;
}

std::optional<std::string> relativeDayPhrase(int days, const Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  icu::RelativeDateTimeFormatter formatter(icu_support::toIcu(locale), status);
  if (U_FAILURE(status)) return std::nullopt;
  UDateDirection direction = days < 0   ? UDAT_DIRECTION_LAST
                             : days > 0 ? UDAT_DIRECTION_NEXT
                                        : UDAT_DIRECTION_THIS;
  icu::UnicodeString out;
  formatter.format(direction, UDAT_ABSOLUTE_DAY, out, status);
  if (U_FAILURE(status) || out.isEmpty()) return std::nullopt;
  return icu_support::toUtf8(out);
}

}  // namespace

DateFormatter::DateFormatter()
    : locale_(Locale::current()), calendar_(Calendar::current()), timeZone_(calendar_.timeZone()) {}

void DateFormatter::setCalendar(Calendar calendar) {
  timeZone_ = calendar.timeZone();
  calendar_ = std::move(calendar);
}

void DateFormatter::setLocalizedDateFormatFromTemplate(std::string dateTemplate) {
  template_ = std::move(dateTemplate);
}

std::string DateFormatter::stringFromDate(Date date) const {
  if (!date.isFinite()) return "";
  icu::Locale locale = icu_support::toIcu(locale_);
  Calendar calendar = calendar_;
  calendar.setTimeZone(timeZone_);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::DateFormat> format;
  if (pattern_) {
    format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(*pattern_),
                                                     locale, status);
  } else if (template_) {
    std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(locale, status));
    if (U_FAILURE(status)) return "";
    icu::UnicodeString pattern =
        generator->getBestPattern(icu::UnicodeString::fromUTF8(*template_), status);
    if (U_FAILURE(status)) return "";
    format = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
  } else {
    if (dateStyle_ == DateFormatStyle::noStyle && timeStyle_ == DateFormatStyle::noStyle) {
      return "";
    }
    if (relativeTo_ && timeStyle_ == DateFormatStyle::noStyle) {
      if (auto days = dayDistance(calendar, *relativeTo_, date)) {
        if (auto phrase = relativeDayPhrase(*days, locale_)) return *phrase;
      }
    }
    format.reset(
        icu::DateFormat::createDateTimeInstance(toIcu(dateStyle_), toIcu(timeStyle_), locale));
  }
  if (U_FAILURE(status) || format == nullptr) return "";
  if (auto icuCalendar = icu_support::makeGregorian(calendar.timeZone(), locale_)) {
    format->adoptCalendar(icuCalendar.release());
  }
  icu::UnicodeString out;
  format->format(icu_support::toUDate(date), out);
  return withPlainSpaces(out);
}

}  // namespace vigilix::platform
