#include "platform/fs/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

#include "platform/fs/descriptor_calls.h"
#include "platform/fs/fs_faults.h"

namespace vigilix::platform {

std::expected<FileLock, int> FileLock::acquireExclusive(UniqueFd file) {
  return acquire(std::move(file), LOCK_EX);
}

std::expected<FileLock, int> FileLock::acquireShared(UniqueFd file) {
  return acquire(std::move(file), LOCK_SH);
}

std::expected<FileLock, int> FileLock::acquireExclusiveOnFolder(
    const std::filesystem::path& folder) {
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  auto opened = openAt(AT_FDCWD, folder.string(), O_RDONLY | O_DIRECTORY);
  if (!opened) return std::unexpected(opened.error());
  return acquireExclusive(std::move(*opened));
}

std::expected<FileLock, int> FileLock::acquire(UniqueFd file, int operation) {
  for (;;) {
    // An injected EINTR goes round the loop like a real one.
    if (auto fault = FsFaults::take(FsCall::lock)) {
      errno = fault->errorCode;
    } else if (::flock(file.get(), operation) == 0) {
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
