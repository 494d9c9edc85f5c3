#include "platform/x11/x11_pointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/dpms.h>

#include <cmath>

#include "platform/x11/x11_connection_loss.h"

namespace vigilix::platform {

std::expected<std::unique_ptr<X11Pointer>, std::string> X11Pointer::open(
    const std::string& displayName) {
  Display* display = XOpenDisplay(displayName.c_str());
  if (display == nullptr) return std::unexpected("cannot connect to X display " + displayName);
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) {
    XCloseDisplay(display);
    return std::unexpected("X display " + displayName + " has no XTest extension");
  }
  return std::unique_ptr<X11Pointer>(new X11Pointer(display));
}

X11Pointer::X11Pointer(_XDisplay* display) : display_(display) {
  surviveConnectionLoss(display_, &X11Pointer::displayLost, this);
}

X11Pointer::~X11Pointer() {
  XCloseDisplay(display_);
  forgetConnection(display_);
}

void X11Pointer::displayLost(_XDisplay*, void* pointer) {
  static_cast<X11Pointer*>(pointer)->lost_ = true;
}

std::optional<PointerPosition> X11Pointer::position() {
  if (lost_) return std::nullopt;
  Window root = 0;
  Window child = 0;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int mask = 0;
  if (!XQueryPointer(display_, DefaultRootWindow(display_), &root, &child, &rootX, &rootY, &windowX,
                     &windowY, &mask)) {
    return std::nullopt;  // on another screen of the display
  }
  return PointerPosition{static_cast<double>(rootX), static_cast<double>(rootY)};
}

bool X11Pointer::moveTo(PointerPosition position) {
  if (lost_) return false;
  const int x = static_cast<int>(std::lround(position.x));
  const int y = static_cast<int>(std::lround(position.y));
  if (!XTestFakeMotionEvent(display_, DefaultScreen(display_), x, y, CurrentTime)) return false;
  // Sent and answered, so that a failure is seen here and not later.
  XSync(display_, False);
  return !lost_;
}

std::optional<std::vector<ScreenArea>> X11Pointer::screens() {
  if (lost_) return std::nullopt;
  const int screen = DefaultScreen(display_);
  ScreenArea area{0, 0, static_cast<double>(DisplayWidth(display_, screen)),
                  static_cast<double>(DisplayHeight(display_, screen)), false};
  int eventBase = 0;
  int errorBase = 0;
  if (DPMSQueryExtension(display_, &eventBase, &errorBase) && DPMSCapable(display_)) {
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    if (DPMSInfo(display_, &level, &enabled) && enabled) area.asleep = level != DPMSModeOn;
  }
  return std::vector<ScreenArea>{area};
}

}  // namespace vigilix::platform
