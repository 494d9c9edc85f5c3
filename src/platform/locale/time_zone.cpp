#include "platform/locale/time_zone.h"

#include <unicode/timezone.h>

#include <cstdlib>
#include <memory>
#include <string_view>

#include "platform/base/current_instance.h"
#include "platform/fs/file_system.h"
#include "platform/locale/host_time_zone.h"
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

std::optional<std::string_view> tzVariable() {
  const char* value = std::getenv("TZ");
  if (value == nullptr) return std::nullopt;
  return std::string_view(value);
}

}  // namespace

TimeZone TimeZone::host() {
  if (auto name = hostTimeZoneName(tzVariable(), FileSystem::root())) {
    return TimeZone(std::move(*name));
  }
  std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
  icu::UnicodeString id;
  if (host == nullptr || *host == icu::TimeZone::getUnknown()) return TimeZone::utc();
  host->getID(id);
  return TimeZone::named(icu_support::toUtf8(id)).value_or(TimeZone::utc());
}

namespace {

constinit CurrentValue<TimeZone> currentTimeZone{&TimeZone::host};

}  // namespace

TimeZone TimeZone::current() { return currentTimeZone.get(); }

void TimeZone::setCurrent(std::optional<TimeZone> timeZone) {
  currentTimeZone.install(std::move(timeZone));
}

std::optional<TimeZone> TimeZone::pinned() { return currentTimeZone.installed(); }

}  // namespace vigilix::platform
