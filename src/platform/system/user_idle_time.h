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

  // The desktop's reading, which the launch installs; until then one that
  // cannot tell. setCurrent answers the one it replaces.
  static UserIdleTime& current();
  static UserIdleTime* setCurrent(UserIdleTime* idleTime);
};

}  // namespace vigilix::platform
