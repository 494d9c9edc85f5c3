#include "platform/locale/time_zone.h"

#include <unicode/timezone.h>

#include <memory>

#include "platform/base/current_instance.h"
#include "platform/locale/icu_support.h"

namespace vigilix::platform {
std::optional<TimeZone> TimeZone::named(const std::string& identifier) {
  if (identifier.empty()) return std::nullopt;
  std::unique_ptr<icu::TimeZone> zone(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(identifier)));
  if (zone == nullptr || *zone == icu::TimeZone::getUnknown()) return std::nullopt;
  return TimeZone(identifier);
}

TimeZone TimeZone::utc() { return TimeZone("UTC"); }

namespace {

TimeZone hostTimeZone() {
  std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
  icu::UnicodeString id;
  if (host == nullptr || *host == icu::TimeZone::getUnknown()) return TimeZone::utc();
  host->getID(id);
  return TimeZone::named(icu_support::toUtf8(id)).value_or(TimeZone::utc());
}

constinit CurrentValue<TimeZone> currentTimeZone{&hostTimeZone};

}  // namespace

TimeZone TimeZone::current() { return currentTimeZone.get(); }

void TimeZone::setCurrent(std::optional<TimeZone> timeZone) {
  currentTimeZone.install(std::move(timeZone));
}

std::optional<TimeZone> TimeZone::pinned() { return currentTimeZone.installed(); }

}  // namespace vigilix::platform
