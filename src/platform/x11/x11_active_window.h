#pragma once

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>

#include "platform/system/active_window.h"

struct xcb_connection_t;

namespace vigilix::platform {

// The active window's process as the window manager tells it (EWMH): the
// root window's `_NET_ACTIVE_WINDOW`, then that window's `_NET_WM_PID`. A
// window of another machine (`WM_CLIENT_MACHINE` naming another host) has
// no process here. Its own XCB connection, usable from any one thread at a
// time; a display that goes away gives none from then on, said once in the log.
class X11ActiveWindow final : public ActiveWindowOwner {
 public:
  // Connects to `displayName` (DISPLAY's form); the reason when it cannot.
  static std::expected<std::unique_ptr<X11ActiveWindow>, std::string> open(
      const std::string& displayName);
  ~X11ActiveWindow() override;
  X11ActiveWindow(const X11ActiveWindow&) = delete;
  X11ActiveWindow& operator=(const X11ActiveWindow&) = delete;

  std::optional<std::int32_t> processIdentifier() override;

 private:
  struct Atoms {
    std::uint32_t activeWindow = 0;
    std::uint32_t processIdentifier = 0;
    std::uint32_t clientMachine = 0;
  };
  X11ActiveWindow(xcb_connection_t* connection, std::uint32_t root, Atoms atoms);
  bool isLocal(std::uint32_t window) const;

  xcb_connection_t* connection_;
  std::uint32_t root_;
  Atoms atoms_;
  std::string hostName_;
  bool lostReported_ = false;
};

}  // namespace vigilix::platform
