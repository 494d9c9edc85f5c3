#include "testing/scoped_environment.h"

#include <cstdlib>

namespace vigilix::testing {

ScopedEnvironment::ScopedEnvironment(std::string name, const std::string& value)
    : name_(std::move(name)) {
  if (const char* former = std::getenv(name_.c_str())) former_ = former;
  ::setenv(name_.c_str(), value.c_str(), 1);
}

ScopedEnvironment::~ScopedEnvironment() {
  if (former_) {
    ::setenv(name_.c_str(), former_->c_str(), 1);
  } else {
    ::unsetenv(name_.c_str());
  }
}

}  // namespace vigilix::testing
