#pragma once

// A program's windows on an X display, seen and closed from outside as a window manager would.

#include <string>

namespace vigilix::bench {

// The viewable top-level windows whose class is `windowClass` on `display`; with `close`,
// each is asked to close (WM_DELETE_WINDOW) as a window's close button does. -1 when the
// display cannot be opened.
int viewableWindows(const std::string& display, const std::string& windowClass, bool close);

}  // namespace vigilix::bench
