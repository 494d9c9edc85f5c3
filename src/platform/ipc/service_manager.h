#pragma once

#include <map>
#include <string>

namespace vigilix::platform {

// The service manager's side of a system service (libsystemd).

// The sockets handed over by socket activation, by their FileDescriptorName;
// empty when the process was not socket-activated. Takes the descriptors out
// of the environment (a second call finds none) and marks them close-on-exec.
std::map<std::string, int> takeListenSockets();

// READY=1 and WATCHDOG=1 to the service manager; nothing when not started by
// one. False when a notification could not be sent.
bool notifyServiceReady();
bool notifyWatchdog();

}  // namespace vigilix::platform
