#include "platform/fs/unique_fd.h"

#include <unistd.h>

namespace vigilix::platform {

void UniqueFd::reset(int fd) {
  // A failed close still releases the descriptor on Linux; retrying could close a reused one.
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace vigilix::platform
