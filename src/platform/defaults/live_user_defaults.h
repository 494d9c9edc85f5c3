#pragma once

#include <string>

#include "platform/defaults/layered_user_defaults.h"
#include "platform/defaults/plist_defaults_store.h"

namespace vigilix::platform {

// User defaults kept in property-list files (PlistDefaultsStore).
class LiveUserDefaults final : public LayeredUserDefaults {
 public:
  // The domain's files for the current user, where the standard folders are now.
  LiveUserDefaults(const std::string& domain, bool isSuite);
  LiveUserDefaults(const std::string& domain, DefaultsFiles files);
};

// The login name: $USER, else the password database's entry.
std::string currentUserName();

}  // namespace vigilix::platform
