#include "platform/defaults/live_user_defaults.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace vigilix::platform {

LiveUserDefaults::LiveUserDefaults(const std::string& domain, bool isSuite)
    : LiveUserDefaults(domain, defaultsFilesFor(domain, isSuite, currentUserName())) {}

LiveUserDefaults::LiveUserDefaults(const std::string& domain, DefaultsFiles files)
    : LayeredUserDefaults(domain, std::make_unique<PlistDefaultsStore>(std::move(files))) {}

std::string currentUserName() {
  if (const char* user = std::getenv("USER"); user != nullptr && *user != '\0') return user;
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_name != nullptr) {
    return entry->pw_name;
  }
  return {};
}

}  // namespace vigilix::platform
