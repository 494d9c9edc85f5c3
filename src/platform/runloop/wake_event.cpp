#include "platform/runloop/wake_event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace vigilix::platform {

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) std::abort();
}

WakeEvent::~WakeEvent() { close(fd_); }

void WakeEvent::signal() const {
  const std::uint64_t one = 1;
  // A full counter already means a pending signal.
  [[maybe_unused]] const auto written = write(fd_, &one, sizeof one);
}

void WakeEvent::drain() const {
  std::uint64_t count = 0;
  [[maybe_unused]] const auto readBytes = read(fd_, &count, sizeof count);
}

}  // namespace vigilix::platform
