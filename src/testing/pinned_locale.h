#pragma once

#include <optional>
#include <string>

#include "platform/locale/locale.h"
#include "platform/locale/time_zone.h"

namespace vigilix::testing {

// Pins the current locale and time zone for the life of the object, so that
// texts come out the same on every machine; the previous ones come back at
// destruction. Pins nest.
class PinnedLocale {
 public:
  // An unknown time-zone identifier fails the test that asked for it and
  // pins UTC instead.
  explicit PinnedLocale(const std::string& localeIdentifier = "en_US",
                        const std::string& timeZoneIdentifier = "America/New_York");
  ~PinnedLocale();

  PinnedLocale(const PinnedLocale&) = delete;
  PinnedLocale& operator=(const PinnedLocale&) = delete;

  const platform::Locale& locale() const { return locale_; }
  const platform::TimeZone& timeZone() const { return timeZone_; }

 private:
  std::optional<platform::Locale> previousLocale_;
  std::optional<platform::TimeZone> previousTimeZone_;
  platform::Locale locale_;
  platform::TimeZone timeZone_;
};

}  // namespace vigilix::testing
