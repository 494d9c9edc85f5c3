#include "testing/scoped_environment.h"

#include <cstdlib>

namespace vigilix::testing {

namespace {

void put(const std::string& name, const std::optional<std::string>& value) {
  if (value) {
    ::setenv(name.c_str(), value->c_str(), 1);
  } else {
    ::unsetenv(name.c_str());
  }
}

}  // namespace

ScopedEnvironment::~ScopedEnvironment() {
  for (const auto& [name, value] : saved_) put(name, value);
}

void ScopedEnvironment::set(const std::string& name, const std::optional<std::string>& value) {
  if (!saved_.contains(name)) {
    const char* earlier = std::getenv(name.c_str());
    saved_[name] = earlier ? std::optional<std::string>(earlier) : std::nullopt;
  }
  put(name, value);
}

}  // namespace vigilix::testing
