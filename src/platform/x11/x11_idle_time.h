#pragma once

#include <expected>
#include <memory>
#include <optional>
#include <string>

#include "platform/system/user_idle_time.h"

struct _XDisplay;

namespace vigilix::platform {

// The user's idle time as the X server's screen-saver extension counts it
// (XScreenSaverQueryInfo): milliseconds since the last input of any device
// on that display. Its own display connection; main thread only. A display
// that goes away gives no reading from then on, said once in the log.
class X11IdleTime final : public UserIdleTime {
 public:
  // Connects to `displayName` (DISPLAY's form); the reason when it cannot,
  // or when the server has no screen-saver extension.
  static std::expected<std::unique_ptr<X11IdleTime>, std::string> open(
      const std::string& displayName);
  ~X11IdleTime() override;
  X11IdleTime(const X11IdleTime&) = delete;
  X11IdleTime& operator=(const X11IdleTime&) = delete;

  std::optional<double> secondsSinceLastInput() override;

 private:
  explicit X11IdleTime(_XDisplay* display);
  static void displayLost(_XDisplay* display, void* reader);

  _XDisplay* display_;
  bool lost_ = false;
};

}  // namespace vigilix::platform
