#pragma once

#include <string>

namespace vigilix {

namespace platform {
class UserDefaults;
}

// One Boolean row of a settings table: a title and the defaults key it
// edits. Switching it off stores false: removing the key would let a
// registered default of true switch it on again. Only reset removes it.
class DZLUserDefaultsSetting {
 public:
  DZLUserDefaultsSetting(platform::UserDefaults& defaults, std::string title, std::string key);

  const std::string& title() const { return title_; }
  const std::string& key() const { return key_; }
  bool isForced() const;

  // The value in force; false when absent or not a Boolean.
  bool value() const;
  void setValue(bool value);
  // Back to the registered default.
  void reset();

 private:
  platform::UserDefaults& defaults_;
  std::string title_;
  std::string key_;
};

}  // namespace vigilix
