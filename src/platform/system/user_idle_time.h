#pragma once

#include <optional>

namespace vigilix::platform {

// How long the user has not touched keyboard or pointer.
class UserIdleTime {
 public:
  virtual ~UserIdleTime() = default;
  // Seconds since the last input of any kind; none when that cannot be told.
  // Main thread.
  virtual std::optional<double> secondsSinceLastInput() = 0;
};

}  // namespace vigilix::platform
