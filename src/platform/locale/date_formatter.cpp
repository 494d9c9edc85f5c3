#include "platform/locale/date_formatter.h"

#include <algorithm>
#include <cmath>

#include "platform/base/text.h"
#include "platform/locale/icu_support.h"

namespace vigilix::platform {
namespace {

using icu_support::Formatting;
using icu_support::Handle;
using icu_support::textOf;

UDateFormatStyle toIcu(DateFormatStyle style) {
  switch (style) {
    case DateFormatStyle::noStyle:
      return UDAT_NONE;
    case DateFormatStyle::shortStyle:
      return UDAT_SHORT;
    case DateFormatStyle::mediumStyle:
      return UDAT_MEDIUM;
    case DateFormatStyle::longStyle:
      return UDAT_LONG;
    case DateFormatStyle::fullStyle:
      return UDAT_FULL;
  }
  return UDAT_NONE;
}

std::string withPlainSpaces(std::u16string text) {
  std::replace(text.begin(), text.end(), u'\u202F', u' ');
  return utf16ToUtf8(text);
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

// "yesterday", "today" or "tomorrow" for -1, 0 and 1.
std::optional<std::string> relativeDayPhrase(const Formatting& icu, int days,
                                             const std::string& locale) {
  UErrorCode status = U_ZERO_ERROR;
  Handle<URelativeDateTimeFormatter> formatter(
      icu.relativeOpen(locale.c_str(), nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE,
                       &status),
      icu.relativeClose);
  if (U_FAILURE(status) || formatter == nullptr) return std::nullopt;
  auto out = textOf([&](UChar* text, int32_t capacity, UErrorCode* error) {
    return icu.relativeFormat(formatter.get(), days, UDAT_REL_UNIT_DAY, text, capacity, error);
  });
  if (!out || out->empty()) return std::nullopt;
  return utf16ToUtf8(*out);
}

// The locale's own pattern for a skeleton such as "jmm".
std::optional<std::u16string> bestPattern(const Formatting& icu, const std::string& skeleton,
                                          const std::string& locale) {
  UErrorCode status = U_ZERO_ERROR;
  Handle<UDateTimePatternGenerator> generator(icu.patternsOpen(locale.c_str(), &status),
                                              icu.patternsClose);
  if (U_FAILURE(status) || generator == nullptr) return std::nullopt;
  const std::u16string wanted = utf8ToUtf16(skeleton);
  return textOf([&](UChar* text, int32_t capacity, UErrorCode* error) {
    return icu.bestPattern(generator.get(), reinterpret_cast<const UChar*>(wanted.data()),
                           static_cast<int32_t>(wanted.size()), text, capacity, error);
  });
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
  const Formatting* icu = icu_library::formatting();
  if (icu == nullptr) return "";
  const std::string locale = icu_support::canonical(*icu, locale_);
  Calendar calendar = calendar_;
  calendar.setTimeZone(timeZone_);
  UDateFormatStyle dateStyle = UDAT_PATTERN;
  UDateFormatStyle timeStyle = UDAT_PATTERN;
  std::u16string pattern;
  if (pattern_) {
    pattern = utf8ToUtf16(*pattern_);
  } else if (template_) {
    auto best = bestPattern(*icu, *template_, locale);
    if (!best) return "";
    pattern = std::move(*best);
  } else {
    if (dateStyle_ == DateFormatStyle::noStyle && timeStyle_ == DateFormatStyle::noStyle) {
      return "";
    }
    if (relativeTo_ && timeStyle_ == DateFormatStyle::noStyle) {
      if (auto days = dayDistance(calendar, *relativeTo_, date)) {
        if (auto phrase = relativeDayPhrase(*icu, *days, locale)) return *phrase;
      }
    }
    dateStyle = toIcu(dateStyle_);
    timeStyle = toIcu(timeStyle_);
  }
  auto format = icu_support::openFormat(*icu, timeStyle, dateStyle, locale, pattern);
  if (format == nullptr) return "";
  if (auto icuCalendar = icu_support::makeGregorian(*icu, calendar.timeZone(), locale_)) {
    icu->dateSetCalendar(format.get(), icuCalendar.get());
  }
  auto out = textOf([&](UChar* text, int32_t capacity, UErrorCode* error) {
    return icu->dateFormat(format.get(), icu_support::toUDate(date), text, capacity, nullptr,
                           error);
  });
  return out ? withPlainSpaces(std::move(*out)) : "";
}

}  // namespace vigilix::platform
