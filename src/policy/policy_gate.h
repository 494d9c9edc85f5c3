#pragma once

#include <optional>
#include <string>

#include "platform/defaults/user_defaults.h"

namespace vigilix {

// Whether a setting may be written: a forced (managed) key may not. Reads
// only, so any thread may ask. The one-argument forms use the standard
// user defaults.
class VGXPolicyGate {
 public:
  static bool isForced(const std::string& key);
  static bool isForced(const platform::UserDefaults& defaults, const std::string& key);
  static bool canWriteKey(const std::string& key);
  static bool canWriteKey(const platform::UserDefaults& defaults, const std::string& key);
};

namespace VGXPolicyRuntime {

// The Boolean in force for a Boolean key of the policy table; none for any
// other key, or when no Boolean value is set. For a forced key the managed
// value merges with the user's own value by the key's strictness, so a key
// where true is stricter reads true when either of them is true.
std::optional<bool> enforcedBool(const std::string& key);
std::optional<bool> enforcedBool(const platform::UserDefaults& defaults, const std::string& key);

}  // namespace VGXPolicyRuntime
}  // namespace vigilix
