#include "platform/ipc/service_manager.h"

#include <fcntl.h>
#include <systemd/sd-daemon.h>

#include <cstdlib>

namespace vigilix::platform {

std::map<std::string, int> takeListenSockets() {
  std::map<std::string, int> sockets;
  char** names = nullptr;
  const int count = sd_listen_fds_with_names(1, &names);
  for (int index = 0; index < count; ++index) {
    const int fd = SD_LISTEN_FDS_START + index;
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    sockets.emplace(names != nullptr && names[index] != nullptr ? names[index] : "unknown", fd);
  }
  if (names != nullptr) {
    for (int index = 0; index < count; ++index) std::free(names[index]);
    std::free(names);
  }
  return sockets;
}

bool notifyServiceReady() { return sd_notify(0, "READY=1") >= 0; }

bool notifyWatchdog() { return sd_notify(0, "WATCHDOG=1") >= 0; }

}  // namespace vigilix::platform
