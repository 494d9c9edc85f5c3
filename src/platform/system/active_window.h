#pragma once

#include <cstdint>
#include <optional>

namespace vigilix::platform {

// The process behind the window the user works in.
class ActiveWindowOwner {
 public:
  virtual ~ActiveWindowOwner() = default;
  // None when no window is active or its process cannot be told. Any one
  // thread at a time.
  virtual std::optional<std::int32_t> processIdentifier() = 0;

  // The desktop's, as the application installed it at launch (the X display's
  // active window); until then, and under Wayland or without a display, none.
  // Returns the one replaced (nullptr: none was installed).
  static ActiveWindowOwner& current();
  static ActiveWindowOwner* setCurrent(ActiveWindowOwner* owner);
};

}  // namespace vigilix::platform
