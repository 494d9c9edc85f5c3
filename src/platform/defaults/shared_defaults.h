#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/defaults/user_defaults.h"

namespace vigilix::platform::shared_defaults {

// Makes the shared instance of a domain: the standard domain (`isSuite`
// false) or a named suite. Answering nullptr makes the suite unavailable.
using Factory =
    std::function<std::shared_ptr<UserDefaults>(const std::string& domain, bool isSuite)>;

// Installs how shared instances are made (an empty factory restores the
// live one). Instances made before stay until `reset`. For the test platform.
void setFactory(Factory factory);
// Drops every shared instance; the next use makes a new one. A dropped
// instance stays valid until the reset after, for references still held.
void reset();

}  // namespace vigilix::platform::shared_defaults
