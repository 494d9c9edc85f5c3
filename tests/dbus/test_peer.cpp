#include "dbus/test_peer.h"

#include <optional>

#include "dbus/main_loop_waiting.h"

namespace vigilix::testing {

bool ownPeerName(platform::AsyncBusConnection& peer) {
  std::optional<platform::BusReply> owned;
  auto request =
      peer.requestName(kPeerName, 0, [&](const platform::BusReply& reply) { owned = reply; });
  return request.has_value() && runMainLoopUntil([&] { return owned.has_value(); }) &&
         owned->has_value();
}

}  // namespace vigilix::testing
