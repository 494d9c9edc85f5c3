#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "platform/system/active_window.h"
#include "platform/system/user_idle_time.h"
#include "platform/x11/desktop_session.h"

namespace vigilix {

// The desktop's live readers of what the user does.
struct DesktopInputs {
  std::shared_ptr<platform::UserIdleTime> idleTime;
  // None: no window reads as frontmost.
  std::unique_ptr<platform::ActiveWindowOwner> activeWindow;
};

// On an X11 session the X display answers the idle time and the active
// window. Otherwise (Wayland, no display, a display that does not answer)
// the idle time is logind's for this process's session and no window reads
// as frontmost; the log says which once. Main thread.
DesktopInputs makeDesktopInputs(const platform::SessionVariables& session);

// At launch, on the main thread, before the hub is composed: the platform's
// idle time, active window and Wi-Fi (NetworkManager) become these live
// readers for the life of the process. Answers the idle reading, for the hub.
std::function<std::optional<double>()> installDesktopInputs(DesktopInputs inputs);

}  // namespace vigilix
