#include "platform/locale/time_zone.h"

#include <unicode/timezone.h>

#include <memory>
#include <mutex>

#include "platform/locale/icu_support.h"

namespace vigilix::platform {
namespace {

std::mutex& pinMutex() {
  static std::mutex mutex;
  return mutex;
}

std::optional<TimeZone>& pinnedSlot() {
  static std::optional<TimeZone> timeZone;
  return timeZone;
}

}  // namespace

std::optional<TimeZone> TimeZone::named(const std::string& identifier) {
  if (identifier.empty()) return std::nullopt;
  std::unique_ptr<icu::TimeZone> zone(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(identifier)));
  if (zone == nullptr || *zone == icu::TimeZone::getUnknown()) return std::nullopt;
  return TimeZone(identifier);
}

TimeZone TimeZone::utc() { return TimeZone("UTC"); }

TimeZone TimeZone::current() {
  {
    std::lock_guard lock(pinMutex());
    if (pinnedSlot()) return *pinnedSlot();
  }
  std::unique_ptr<icu::TimeZone> host(icu::TimeZone::detectHostTimeZone());
  icu::UnicodeString id;
  if (host == nullptr || *host == icu::TimeZone::getUnknown()) return utc();
  host->getID(id);
  return TimeZone(icu_support::toUtf8(id));
}

void TimeZone::setCurrent(std::optional<TimeZone> timeZone) {
  std::lock_guard lock(pinMutex());
  pinnedSlot() = std::move(timeZone);
}

std::optional<TimeZone> TimeZone::pinned() {
  std::lock_guard lock(pinMutex());
  return pinnedSlot();
}

}  // namespace vigilix::platform
