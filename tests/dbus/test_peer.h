#pragma once

#include "platform/dbus/async_bus_connection.h"

namespace vigilix::testing {

// The name, object and interface a test's own peer serves on a private bus.
inline constexpr const char* kPeerName = "run.tarvo.vigilix.TestPeer";
inline constexpr const char* kPeerPath = "/run/tarvo/vigilix/TestPeer";
inline constexpr const char* kPeerInterface = "run.tarvo.vigilix.TestPeer";

// Has `peer` own kPeerName; false when the bus refused or did not answer.
bool ownPeerName(platform::AsyncBusConnection& peer);

}  // namespace vigilix::testing
