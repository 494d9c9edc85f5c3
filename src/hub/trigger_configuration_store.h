#pragma once

#include "platform/defaults/user_defaults.h"
#include "triggers/trigger_configuration.h"

namespace vigilix {

inline constexpr const char* kTriggersDefaultsKey = "run.tarvo.vigilix.Triggers";

// The trigger rules in the user defaults: JSON as data (written form) or as
// a string (also read). Any thread that may use the defaults.
namespace VGXTriggerConfigurationStore {

// Never fails: an absent key, another type, or text that does not decode
// gives the default configuration. Writes nothing.
TriggerConfiguration load(const platform::UserDefaults& defaults);
// Stores the JSON data; an encoding failure is logged and stores nothing.
void save(const TriggerConfiguration& configuration, platform::UserDefaults& defaults);

}  // namespace VGXTriggerConfigurationStore
}  // namespace vigilix
