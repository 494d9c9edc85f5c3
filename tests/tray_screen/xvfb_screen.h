#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "dbus/test_child_process.h"
#include "testing/scoped_environment.h"
#include "tray_screen/screenshot.h"
#include "x11/xvfb_display.h"

typedef struct _XDisplay Display;

namespace vigilix::testing {

struct ScreenWindow {
  ScreenBox box;
  std::string title;
  bool popup = false;  // a menu or popup, which bypasses the window manager
};

// An Xvfb server on the first free display, chosen by the server itself
// (-displayfd), so parallel tests never collide; no TCP. While it lives
// DISPLAY names it. Throws std::runtime_error (with the server's log) when
// it does not start in time. Test thread only.
class XvfbScreen {
 public:
  XvfbScreen(int width, int height);
  ~XvfbScreen();
  XvfbScreen(const XvfbScreen&) = delete;
  XvfbScreen& operator=(const XvfbScreen&) = delete;

  const std::string& display() const { return server_.name(); }
  int width() const { return width_; }
  int height() const { return height_; }

  Screenshot capture() const;
  // Mapped top-level windows that bypass the window manager: menus and popups.
  std::set<std::uint64_t> popupWindows() const;
  // The box of the first mapped top-level window whose WM_CLASS instance or
  // class name is `className`.
  std::optional<ScreenBox> windowOfClass(const std::string& className) const;
  // Every such window with its title (WM_NAME, empty when it has none), bottom to top.
  std::vector<ScreenWindow> windowsOfClass(const std::string& className) const;
  std::string log() const;

 private:
  XvfbDisplay server_;
  int width_;
  int height_;
  ScopedEnvironment displayVariable_;
  Display* connection_ = nullptr;
};

}  // namespace vigilix::testing
