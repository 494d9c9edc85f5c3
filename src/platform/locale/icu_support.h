#pragma once

// Conversions between our values and ICU's, shared by this folder only.

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>
#include <string>

#include "platform/base/date.h"
#include "platform/locale/locale.h"
#include "platform/locale/time_zone.h"

namespace vigilix::platform::icu_support {

inline UDate toUDate(Date date) { return date.timeIntervalSince1970() * 1000.0; }
inline Date fromUDate(UDate millis) { return Date::fromTimeIntervalSince1970(millis / 1000.0); }

inline icu::Locale toIcu(const Locale& locale) {
  return icu::Locale::createCanonical(locale.identifier().c_str());
}

std::unique_ptr<icu::TimeZone> toIcu(const TimeZone& timeZone);

// A Gregorian calendar in the given zone and locale; nullptr when ICU fails.
std::unique_ptr<icu::Calendar> makeGregorian(const TimeZone& timeZone, const Locale& locale);

std::string toUtf8(const icu::UnicodeString& text);

}  // namespace vigilix::platform::icu_support
