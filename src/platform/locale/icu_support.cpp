#include "platform/locale/icu_support.h"

#include "platform/base/text.h"

namespace vigilix::platform::icu_support {

std::string canonical(const Formatting& icu, const Locale& locale) {
  return icu_library::converted<char>(locale.identifier().size() + 16,
                                      [&](char* out, int32_t capacity, UErrorCode& status) {
                                        return icu.canonicalizeLocale(locale.identifier().c_str(),
                                                                      out, capacity, &status);
                                      })
      .value_or(std::string());
}

Handle<UCalendar> makeGregorian(const Formatting& icu, const TimeZone& timeZone,
                                const Locale& locale) {
  const std::u16string zone = utf8ToUtf16(timeZone.identifier());
  UErrorCode status = U_ZERO_ERROR;
  Handle<UCalendar> calendar(
      icu.calendarOpen(reinterpret_cast<const UChar*>(zone.data()),
                       static_cast<int32_t>(zone.size()), canonical(icu, locale).c_str(),
                       UCAL_GREGORIAN, &status),
      icu.calendarClose);
  if (U_FAILURE(status)) return Handle<UCalendar>(nullptr, icu.calendarClose);
  return calendar;
}

Handle<UDateFormat> openFormat(const Formatting& icu, UDateFormatStyle timeStyle,
                               UDateFormatStyle dateStyle, const std::string& locale,
                               std::u16string_view pattern) {
  UErrorCode status = U_ZERO_ERROR;
  Handle<UDateFormat> format(icu.dateOpen(timeStyle, dateStyle, locale.c_str(), nullptr, 0,
                                          reinterpret_cast<const UChar*>(pattern.data()),
                                          static_cast<int32_t>(pattern.size()), &status),
                             icu.dateClose);
  if (U_FAILURE(status)) return Handle<UDateFormat>(nullptr, icu.dateClose);
  return format;
}

}  // namespace vigilix::platform::icu_support
