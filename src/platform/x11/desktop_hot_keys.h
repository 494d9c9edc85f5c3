#pragma once

namespace vigilix::platform {

// At program start, before the global shortcut is first used, on the main
// thread: on an X11 session makes a live X11 service on the main loop the
// current hot-key service, for the life of the process. Otherwise, or when
// the display does not answer, the in-process service stays, which grabs
// nothing, and the log says why once.
void installDesktopHotKeyService();

}  // namespace vigilix::platform
