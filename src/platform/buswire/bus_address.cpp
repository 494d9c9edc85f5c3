#include "platform/buswire/bus_address.h"

#include <sys/un.h>

#include "platform/base/hex.h"

namespace vigilix::platform {

std::expected<std::vector<BusSocketAddress>, std::string> busSocketsOf(std::string_view address) {
  std::vector<BusSocketAddress> sockets;
  while (!address.empty()) {
    const std::size_t end = address.find(';');
    std::string_view entry = address.substr(0, end);
    address = end == std::string_view::npos ? std::string_view() : address.substr(end + 1);
    if (entry.empty()) continue;
    const std::size_t colon = entry.find(':');
    if (colon == std::string_view::npos) {
      return std::unexpected("\"" + std::string(entry) + "\" names no transport");
    }
    const bool unix = entry.substr(0, colon) == "unix";
    std::optional<BusSocketAddress> socket;
    std::string_view pairs = entry.substr(colon + 1);
    while (!pairs.empty()) {
      const std::size_t comma = pairs.find(',');
      const std::string_view pair = pairs.substr(0, comma);
      pairs = comma == std::string_view::npos ? std::string_view() : pairs.substr(comma + 1);
      const std::size_t equals = pair.find('=');
      const auto value =
          equals == std::string_view::npos ? std::nullopt : percentDecoded(pair.substr(equals + 1));
      if (equals == 0 || !value) {
        return std::unexpected("\"" + std::string(entry) + "\" has a malformed key or value");
      }
      const std::string_view key = pair.substr(0, equals);
      if (!unix || (key != "path" && key != "abstract")) continue;
      // A socket's name cannot hold a NUL and must fit the kernel's address.
      if (value->empty() || value->find('\0') != std::string::npos ||
          value->size() >= sizeof(sockaddr_un::sun_path)) {
        return std::unexpected("\"" + std::string(entry) + "\" names no usable socket");
      }
      socket = BusSocketAddress{*value, key == "abstract"};
    }
    if (socket) sockets.push_back(std::move(*socket));
  }
  return sockets;
}

std::expected<std::vector<BusSocketAddress>, std::string> sessionBusSockets(
    const std::optional<std::string>& sessionAddress,
    const std::optional<std::string>& runtimeDir) {
  if (sessionAddress) {
    auto sockets = busSocketsOf(*sessionAddress);
    if (sockets && sockets->empty()) {
      return std::unexpected("DBUS_SESSION_BUS_ADDRESS names no unix socket");
    }
    return sockets;
  }
  if (!runtimeDir || runtimeDir->empty()) {
    return std::unexpected("neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR is set");
  }
  return std::vector<BusSocketAddress>{{*runtimeDir + "/bus", false}};
}

}  // namespace vigilix::platform
