#include "settings/user_defaults_setting.h"

#include "platform/defaults/user_defaults.h"

namespace vigilix {

DZLUserDefaultsSetting::DZLUserDefaultsSetting(platform::UserDefaults& defaults, std::string title,
                                               std::string key)
    : defaults_(defaults), title_(std::move(title)), key_(std::move(key)) {}

bool DZLUserDefaultsSetting::isForced() const { return defaults_.objectIsForced(key_); }

bool DZLUserDefaultsSetting::value() const { return defaults_.boolValue(key_).value_or(false); }

void DZLUserDefaultsSetting::setValue(bool value) {
  defaults_.set(key_, value);
  defaults_.synchronize();
}

void DZLUserDefaultsSetting::reset() {
  defaults_.remove(key_);
  defaults_.synchronize();
}

}  // namespace vigilix
