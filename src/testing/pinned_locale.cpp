#include "testing/pinned_locale.h"

#include <gtest/gtest.h>

namespace vigilix::testing {
namespace {

platform::TimeZone resolve(const std::string& identifier) {
  if (auto zone = platform::TimeZone::named(identifier)) return *zone;
  ADD_FAILURE() << "Unknown time zone " << identifier;
  return platform::TimeZone::utc();
}

}  // namespace

PinnedLocale::PinnedLocale(const std::string& localeIdentifier,
                           const std::string& timeZoneIdentifier)
    : previousLocale_(platform::Locale::pinned()),
      previousTimeZone_(platform::TimeZone::pinned()),
      locale_(localeIdentifier),
      timeZone_(resolve(timeZoneIdentifier)) {
  platform::Locale::setCurrent(locale_);
  platform::TimeZone::setCurrent(timeZone_);
}

PinnedLocale::~PinnedLocale() {
  platform::Locale::setCurrent(previousLocale_);
  platform::TimeZone::setCurrent(previousTimeZone_);
}

}  // namespace vigilix::testing
