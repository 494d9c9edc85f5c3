#pragma once

struct _XDisplay;

namespace vigilix::platform {

// Xlib ends the whole process when a display connection breaks. For a
// display registered here it does not: `onLost(display, context)` runs
// instead, inside Xlib, where it may only note the loss; Xlib must not be
// called on that display again except to close it. Other displays keep the
// handler they had. Main thread only (Xlib's handlers are process-wide).
void surviveConnectionLoss(_XDisplay* display, void (*onLost)(_XDisplay*, void*), void* context);
// After the display is closed (closing a lost one may still report it).
void forgetConnection(_XDisplay* display);

}  // namespace vigilix::platform
