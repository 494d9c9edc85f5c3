#include "platform/locale/time_zone.h"

#include <cstdlib>
#include <string_view>

#include "platform/base/current_instance.h"
#include "platform/base/text.h"
#include "platform/fs/file_system.h"
#include "platform/locale/host_time_zone.h"
#include "platform/locale/icu_support.h"

namespace vigilix::platform {
std::optional<TimeZone> TimeZone::named(const std::string& identifier) {
  if (identifier.empty()) return std::nullopt;
  const auto* icu = icu_library::formatting();
  if (icu == nullptr) return std::nullopt;
  // A name ICU has no canonical form for is not a zone it knows.
  const std::u16string name = utf8ToUtf16(identifier);
  auto canonical = icu_support::textOf([&](UChar* out, int32_t capacity, UErrorCode* status) {
    UBool isSystemZone = false;
    return icu->canonicalTimeZone(reinterpret_cast<const UChar*>(name.data()),
                                  static_cast<int32_t>(name.size()), out, capacity, &isSystemZone,
                                  status);
  });
  if (!canonical) return std::nullopt;
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
  const auto* icu = icu_library::formatting();
  if (icu == nullptr) return TimeZone::utc();
  auto detected = icu_support::textOf([&](UChar* out, int32_t capacity, UErrorCode* status) {
    return icu->hostTimeZone(out, capacity, status);
  });
  if (!detected || *detected == u"Etc/Unknown") return TimeZone::utc();
  return TimeZone::named(utf16ToUtf8(*detected)).value_or(TimeZone::utc());
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
