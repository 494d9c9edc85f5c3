#pragma once

// Conversions between our values and ICU's, shared by this folder only.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/date.h"
#include "platform/base/icu_formatting.h"
#include "platform/base/icu_library.h"
#include "platform/locale/locale.h"
#include "platform/locale/time_zone.h"

namespace vigilix::platform::icu_support {

using icu_library::Formatting;

inline UDate toUDate(Date date) { return date.timeIntervalSince1970() * 1000.0; }
inline Date fromUDate(UDate millis) { return Date::fromTimeIntervalSince1970(millis / 1000.0); }

// An ICU object closed by its own function.
template <typename T>
using Handle = std::unique_ptr<T, void (*)(T*)>;

// The identifier ICU works with ("en-GB" reads as "en_GB"); empty when ICU fails.
std::string canonical(const Formatting& icu, const Locale& locale);

// A Gregorian calendar in the given zone and locale; nullptr when ICU fails.
Handle<UCalendar> makeGregorian(const Formatting& icu, const TimeZone& timeZone,
                                const Locale& locale);

// A date format by styles, or by `pattern` when both are UDAT_PATTERN; nullptr when ICU fails.
Handle<UDateFormat> openFormat(const Formatting& icu, UDateFormatStyle timeStyle,
                               UDateFormatStyle dateStyle, const std::string& locale,
                               std::u16string_view pattern);

// The text an ICU function writes into a buffer of a given capacity; none when it fails.
template <typename Write>
std::optional<std::u16string> textOf(Write write, std::size_t guess = 64) {
  return icu_library::converted<char16_t>(
      guess, [&](char16_t* out, int32_t capacity, UErrorCode& status) {
        return write(reinterpret_cast<UChar*>(out), capacity, &status);
      });
}

}  // namespace vigilix::platform::icu_support
