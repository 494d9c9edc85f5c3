#pragma once

#include <sys/types.h>

#include <expected>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fs/unique_fd.h"

namespace vigilix {

// One listening socket of a root service: the name systemd hands it over by
// and the named service it serves at /run/vigilix/<service>.
struct VGXServiceSocket {
  std::string_view name;
  std::string_view service;
  mode_t mode = 0600;
};

// The sockets in the order given. Under socket activation they are taken by
// name and any other descriptor handed over is closed; a missing one is an
// error. Otherwise the service binds them itself under /run/vigilix, mapped
// under the file-system root (tests). The error is a line for the log.
std::expected<std::vector<platform::UniqueFd>, std::string> takeServiceSockets(
    std::span<const VGXServiceSocket> sockets);

}  // namespace vigilix
