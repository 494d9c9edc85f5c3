#pragma once

#include "platform/x11/desktop_session.h"

namespace vigilix {

// Chat presence for this desktop session: on X11 the pointer moves through
// the display's XTest extension; under Wayland or without a display no move
// can be posted and access reads denied. Main thread, once, after the hub
// exists.
void installChatPresence(const platform::SessionVariables& session);

}  // namespace vigilix
