#include "platform/fs/file_lock.h"

#include <sys/file.h>

#include <cerrno>

#include "platform/fs/fs_faults.h"

namespace vigilix::platform {

std::expected<FileLock, int> FileLock::acquireExclusive(UniqueFd file) {
  for (;;) {
    // An injected EINTR goes round the loop like a real one.
    if (auto fault = FsFaults::take(FsCall::lock)) {
      errno = fault->errorCode;
    } else if (::flock(file.get(), LOCK_EX) == 0) {
      break;
    }
    if (errno != EINTR) return std::unexpected(errno);
  }
  return FileLock(std::move(file));
}

FileLock::~FileLock() {
  if (file_.valid()) ::flock(file_.get(), LOCK_UN);
}

}  // namespace vigilix::platform
