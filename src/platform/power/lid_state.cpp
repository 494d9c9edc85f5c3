#include "platform/power/lid_state.h"

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
  auto closed = bus->property<bool>("org.freedesktop.login1", "/org/freedesktop/login1",
                                    "org.freedesktop.login1.Manager", "LidClosed");
  if (!closed) return std::nullopt;
  return *closed;
}

}  // namespace vigilix::platform
