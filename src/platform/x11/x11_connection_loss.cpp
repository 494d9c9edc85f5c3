#include "platform/x11/x11_connection_loss.h"

#include <X11/Xlib.h>

#include <set>

namespace vigilix::platform {

namespace {

std::set<Display*> survivingDisplays;
XIOErrorHandler outerIOHandler = nullptr;

// For our displays it returns, so that their exit handler runs instead.
int connectionBroken(Display* display) {
  if (survivingDisplays.contains(display)) return 0;
  return outerIOHandler != nullptr ? outerIOHandler(display) : 0;
}

}  // namespace

void surviveConnectionLoss(_XDisplay* display, void (*onLost)(_XDisplay*, void*), void* context) {
  survivingDisplays.insert(display);
  if (const XIOErrorHandler before = XSetIOErrorHandler(connectionBroken);
      before != connectionBroken) {
    outerIOHandler = before;
  }
  XSetIOErrorExitHandler(display, onLost, context);
}

void forgetConnection(_XDisplay* display) { survivingDisplays.erase(display); }

}  // namespace vigilix::platform
