#include "platform/locale/locale.h"

#include <cstdlib>
#include <utility>

#include "platform/base/current_instance.h"

namespace vigilix::platform {
namespace {

// "en_GB.UTF-8@euro" -> "en_GB"; "C" and "POSIX" have no language of their own.
std::string identifierFromPosix(std::string value) {
  if (auto cut = value.find_first_of(".@"); cut != std::string::npos) value.resize(cut);
  if (value.empty() || value == "C" || value == "POSIX") return "en_US_POSIX";
  return value;
}

constinit CurrentValue<Locale> currentLocale{&Locale::fromEnvironment};

}  // namespace

Locale::Locale(std::string identifier) : identifier_(std::move(identifier)) {}

Locale Locale::fromEnvironment() {
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return Locale(identifierFromPosix(value));
  }
  return Locale("en_US_POSIX");
}

Locale Locale::current() { return currentLocale.get(); }

void Locale::setCurrent(std::optional<Locale> locale) { currentLocale.install(std::move(locale)); }

std::optional<Locale> Locale::pinned() { return currentLocale.installed(); }

}  // namespace vigilix::platform
