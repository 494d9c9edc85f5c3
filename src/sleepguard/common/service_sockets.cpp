#include "sleepguard/common/service_sockets.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include "platform/fs/file_system.h"
#include "platform/ipc/packet_socket.h"
#include "platform/ipc/service_manager.h"
#include "sleepguard/common/guard_names.h"

namespace vigilix {
namespace {

std::expected<platform::UniqueFd, std::string> bindOwn(const VGXServiceSocket& socket) {
  const auto path = platform::FileSystem::pathFor(VGXGuardNames::socketPath(socket.service));
  (void)platform::FileSystem::createFolders(path.parent_path());
  ::chmod(path.parent_path().c_str(), 0755);
  auto fd = platform::listenPacketSocket(path, socket.mode);
  if (!fd) {
    return std::unexpected("listen " + std::string(socket.service) + ": errno " +
                           std::to_string(fd.error()));
  }
  return std::move(*fd);
}

}  // namespace

std::expected<std::vector<platform::UniqueFd>, std::string> takeServiceSockets(
    std::span<const VGXServiceSocket> sockets) {
  std::map<std::string, int> activated = platform::takeListenSockets();
  std::vector<platform::UniqueFd> taken;
  if (!activated.empty()) {
    std::string missing;
    for (const auto& socket : sockets) {
      auto found = activated.find(std::string(socket.name));
      if (found == activated.end()) {
        missing += missing.empty() ? std::string(socket.name) : " " + std::string(socket.name);
        continue;
      }
      taken.emplace_back(found->second);
      activated.erase(found);
    }
    for (const auto& [name, fd] : activated) ::close(fd);
    if (!missing.empty()) return std::unexpected("socket activation without " + missing);
    return taken;
  }
  for (const auto& socket : sockets) {
    auto bound = bindOwn(socket);
    if (!bound) return std::unexpected(bound.error());
    taken.push_back(std::move(*bound));
  }
  return taken;
}

}  // namespace vigilix
