#pragma once

#include "platform/fs/unique_fd.h"

namespace vigilix::platform {

// SIGTERM and SIGINT of a root service, read from a descriptor its loop
// polls, so a stop lands between two pieces of work and never inside one.

// Blocks both signals for this thread and every thread started after it.
void blockTerminationSignals();
// A non-blocking, close-on-exec signalfd for both; invalid on failure.
UniqueFd openTerminationSignals();

}  // namespace vigilix::platform
