#include "platform/power/lid_state.h"

#include <systemd/sd-bus.h>

#include "platform/base/current_instance.h"
#include "platform/dbus/bus_connection.h"

namespace vigilix::platform {

namespace {

constinit CurrentInstance<LidState> currentLidState{
    &processLifetimeInstance<LidState, LogindLidState>};

// Asked just before the machine sleeps: a slow logind must not hold that up.
constexpr std::uint64_t kCallTimeoutMicroseconds = 1'000'000;

}  // namespace

LidState& LidState::current() { return currentLidState.get(); }

LidState* LidState::setCurrent(LidState* state) { return currentLidState.install(state); }

std::optional<bool> LogindLidState::isLidClosed() const {
  auto bus = BusConnection::openSystem(kCallTimeoutMicroseconds);
  if (!bus) return std::nullopt;
  const MethodAddress get{"org.freedesktop.login1", "/org/freedesktop/login1",
                          "org.freedesktop.DBus.Properties", "Get"};
  auto reply = bus->call(get, [](sd_bus_message* message) {
    return sd_bus_message_append(message, "ss", "org.freedesktop.login1.Manager", "LidClosed");
  });
  if (!reply) return std::nullopt;
  int closed = 0;
  if (sd_bus_message_read(reply->get(), "v", "b", &closed) < 0) return std::nullopt;
  return closed != 0;
}

}  // namespace vigilix::platform
