#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "platform/dbus/async_bus_connection.h"

namespace vigilix::testing {

// Runs the live main loop until `condition` holds (true) or the deadline
// passes (false), looking after each short run. Bus handlers run meanwhile.
bool runMainLoopUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::seconds(10));

// A main-loop connection to the session bus (a private one in tests); throws
// std::runtime_error when there is none.
std::unique_ptr<platform::AsyncBusConnection> openSessionConnection();

}  // namespace vigilix::testing
