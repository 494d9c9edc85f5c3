#include "platform/locale/locale.h"

#include <cstdlib>
#include <mutex>
#include <utility>

namespace vigilix::platform {
namespace {

std::mutex& pinMutex() {
  static std::mutex mutex;
  return mutex;
}

std::optional<Locale>& pinnedSlot() {
  static std::optional<Locale> locale;
  return locale;
}

// "en_GB.UTF-8@euro" -> "en_GB"; "C" and "POSIX" have no language of their own.
std::string identifierFromPosix(std::string value) {
  if (auto cut = value.find_first_of(".@"); cut != std::string::npos) value.resize(cut);
  if (value.empty() || value == "C" || value == "POSIX") return "en_US_POSIX";
  return value;
}

}  // namespace

Locale::Locale(std::string identifier) : identifier_(std::move(identifier)) {}

Locale Locale::fromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return Locale(identifierFromPosix(value));
  }
  return Locale("en_US_POSIX");
}

Locale Locale::current() {
  {
    std::lock_guard lock(pinMutex());
    if (pinnedSlot()) return *pinnedSlot();
  }
  return fromEnvironment();
}

void Locale::setCurrent(std::optional<Locale> locale) {
  std::lock_guard lock(pinMutex());
  pinnedSlot() = std::move(locale);
}

std::optional<Locale> Locale::pinned() {
  std::lock_guard lock(pinMutex());
  return pinnedSlot();
}

}  // namespace vigilix::platform
