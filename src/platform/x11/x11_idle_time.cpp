#include "platform/x11/x11_idle_time.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include "platform/base/logger.h"
#include "platform/x11/x11_connection_loss.h"

namespace vigilix::platform {

std::expected<std::unique_ptr<X11IdleTime>, std::string> X11IdleTime::open(
    const std::string& displayName) {
  Display* display = XOpenDisplay(displayName.c_str());
  if (display == nullptr) return std::unexpected("cannot connect to X display " + displayName);
  int eventBase = 0;
  int errorBase = 0;
  if (!XScreenSaverQueryExtension(display, &eventBase, &errorBase)) {
    XCloseDisplay(display);
    return std::unexpected("X display " + displayName + " has no screen-saver extension");
  }
  return std::unique_ptr<X11IdleTime>(new X11IdleTime(display));
}

X11IdleTime::X11IdleTime(_XDisplay* display) : display_(display) {
  surviveConnectionLoss(display_, &X11IdleTime::displayLost, this);
}

X11IdleTime::~X11IdleTime() {
  XCloseDisplay(display_);
  forgetConnection(display_);
}

void X11IdleTime::displayLost(_XDisplay*, void* reader) {
  static_cast<X11IdleTime*>(reader)->lost_ = true;
  static const Logger log{"IdleTime"};
  log.error("The X display connection was lost; the idle time can no longer be read.");
}

std::optional<double> X11IdleTime::secondsSinceLastInput() {
  if (lost_) return std::nullopt;
  XScreenSaverInfo info{};
  if (XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), &info) == 0 || lost_) {
    return std::nullopt;
  }
  return static_cast<double>(info.idle) / 1000.0;
}

}  // namespace vigilix::platform
