#pragma once

#include <optional>
#include <string>

namespace vigilix::testing {

// Sets an environment variable while it lives; the former value (or its
// absence) comes back at the end. Not for tests that run threads reading it.
class ScopedEnvironment {
 public:
  ScopedEnvironment(std::string name, const std::string& value);
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  std::string name_;
  std::optional<std::string> former_;
};

}  // namespace vigilix::testing
