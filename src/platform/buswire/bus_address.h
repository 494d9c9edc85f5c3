#pragma once

#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vigilix::platform {

// A unix socket a bus listens on: a file, or a name in the abstract namespace.
struct BusSocketAddress {
  std::string path;
  bool abstract = false;
  bool operator==(const BusSocketAddress&) const = default;
};

// The unix sockets a D-Bus address names, in its order ("unix:path=/run/bus;tcp:..."), with
// %-escapes undone; entries of other transports, or unix ones without a path, are skipped. An
// error when an entry is malformed.
std::expected<std::vector<BusSocketAddress>, std::string> busSocketsOf(std::string_view address);

// The session bus's sockets from the values of DBUS_SESSION_BUS_ADDRESS and XDG_RUNTIME_DIR:
// the address when it is set, else "bus" in the runtime folder. An error when neither gives one.
std::expected<std::vector<BusSocketAddress>, std::string> sessionBusSockets(
    const std::optional<std::string>& sessionAddress, const std::optional<std::string>& runtimeDir);

}  // namespace vigilix::platform
