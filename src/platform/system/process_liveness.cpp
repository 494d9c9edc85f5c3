#include "platform/system/process_liveness.h"

#include <signal.h>

#include <cerrno>

namespace vigilix::platform {

bool isProcessAlive(std::int32_t processIdentifier) {
  return isProcessAlive(processIdentifier, [](std::int32_t pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 ? 0 : errno;
  });
}

bool isProcessAlive(std::int32_t processIdentifier,
                    const std::function<int(std::int32_t)>& sendSignalZero) {
  if (processIdentifier <= 0) return false;
  const int result = sendSignalZero(processIdentifier);
  return result == 0 || result == EPERM;
}

}  // namespace vigilix::platform
