#pragma once

#include <map>
#include <optional>
#include <string>

namespace vigilix::testing {

// Sets or unsets environment variables for the life of the object and puts
// the earlier values back at destruction. Not thread-safe: use it where no
// other thread of the test reads the environment.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ScopedEnvironment(const std::string& name, const std::string& value) { set(name, value); }
  // nullptr unsets the variable.
  ScopedEnvironment(const std::string& name, const char* value) {
    set(name, value ? std::optional<std::string>(value) : std::nullopt);
  }
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  // nullopt unsets the variable.
  void set(const std::string& name, const std::optional<std::string>& value);

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace vigilix::testing
