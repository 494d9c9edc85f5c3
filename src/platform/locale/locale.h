#pragma once

#include <optional>
#include <string>

namespace vigilix::platform {

// A locale named by its identifier ("en_US", "en_GB", "de_DE"). Plain value.
class Locale {
 public:
  explicit Locale(std::string identifier);

  const std::string& identifier() const { return identifier_; }

  // The locale in force: the one a test pinned, else the process
  // environment's (LC_ALL, LC_TIME, LANG; "C"/"POSIX" read as en_US_POSIX).
  static Locale current();
  // Pins the current locale (std::nullopt returns to the environment's).
  // For the test platform.
  static void setCurrent(std::optional<Locale> locale);
  // The pinned one, if any.
  static std::optional<Locale> pinned();
  // The environment's locale, ignoring any pin.
  static Locale fromEnvironment();

  bool operator==(const Locale&) const = default;

 private:
  std::string identifier_;
};

}  // namespace vigilix::platform
