#include "bench/x_windows.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vigilix::bench {

int viewableWindows(const std::string& display, const std::string& windowClass, bool close) {
  Display* connection = XOpenDisplay(display.c_str());
  if (connection == nullptr) return -1;
  const Atom protocols = XInternAtom(connection, "WM_PROTOCOLS", False);
  const Atom deleteWindow = XInternAtom(connection, "WM_DELETE_WINDOW", False);
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  int viewable = 0;
  if (XQueryTree(connection, DefaultRootWindow(connection), &root, &parent, &children, &count)) {
    for (unsigned index = 0; index < count; ++index) {
      XWindowAttributes attributes{};
      XClassHint hint{};
      if (!XGetWindowAttributes(connection, children[index], &attributes) ||
          attributes.map_state != IsViewable ||
          !XGetClassHint(connection, children[index], &hint)) {
        continue;
      }
      const bool ours = hint.res_class != nullptr && windowClass == hint.res_class;
      XFree(hint.res_name);
      XFree(hint.res_class);
      if (!ours) continue;
      ++viewable;
      if (!close) continue;
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = children[index];
      event.xclient.message_type = protocols;
      event.xclient.format = 32;
      event.xclient.data.l[0] = static_cast<long>(deleteWindow);
      event.xclient.data.l[1] = CurrentTime;
      XSendEvent(connection, children[index], False, NoEventMask, &event);
    }
    XFree(children);
  }
  XSync(connection, False);
  XCloseDisplay(connection);
  return viewable;
}

}  // namespace vigilix::bench
