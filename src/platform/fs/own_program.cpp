#include "platform/fs/own_program.h"

#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vigilix::platform {

std::expected<FileSystem::Path, std::string> ownProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer)
    return std::unexpected(std::string(std::strerror(length < 0 ? errno : ENAMETOOLONG)));
  return FileSystem::Path(std::string(buffer, static_cast<std::size_t>(length)));
}

}  // namespace vigilix::platform
