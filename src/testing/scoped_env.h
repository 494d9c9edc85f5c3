#pragma once

#include <optional>
#include <string>

namespace vigilix::testing {

// Sets an environment variable (nullptr: unsets it) for one scope and puts the
// old value back. Tests only; not thread-safe.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace vigilix::testing
