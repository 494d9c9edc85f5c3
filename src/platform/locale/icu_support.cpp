#include "platform/locale/icu_support.h"

#include <unicode/gregocal.h>

namespace vigilix::platform::icu_support {

std::unique_ptr<icu::TimeZone> toIcu(const TimeZone& timeZone) {
  return std::unique_ptr<icu::TimeZone>(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(timeZone.identifier())));
}

std::unique_ptr<icu::Calendar> makeGregorian(const TimeZone& timeZone, const Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  auto calendar =
      std::make_unique<icu::GregorianCalendar>(toIcu(timeZone).release(), toIcu(locale), status);
  if (U_FAILURE(status)) return nullptr;
  return calendar;
}

std::string toUtf8(const icu::UnicodeString& text) {
  std::string out;
  text.toUTF8String(out);
  return out;
}

}  // namespace vigilix::platform::icu_support
