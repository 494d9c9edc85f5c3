#include "platform/buswire/bus_address.h"

#include <sys/un.h>

namespace vigilix::platform {

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::string> unescaped(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '%') {
      out.push_back(value[i]);
      continue;
    }
    if (value.size() - i < 3) return std::nullopt;
    const int high = hexValue(value[i + 1]);
    const int low = hexValue(value[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

}  // namespace

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
          equals == std::string_view::npos ? std::nullopt : unescaped(pair.substr(equals + 1));
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
