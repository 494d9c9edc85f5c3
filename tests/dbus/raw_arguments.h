#pragma once

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <functional>

#include "platform/dbus/bus_arguments.h"

namespace vigilix::testing {

// Arguments appended with sd-bus's own calls, as a peer of ours would write them. One that
// sd-bus refuses fails the test.
inline platform::BusWrite rawArguments(std::function<int(sd_bus_message*)> append) {
  return [append = std::move(append)](platform::BusArgumentWriter& out) {
    if (append && append(out.raw()) < 0) ADD_FAILURE() << "sd-bus refused the arguments";
  };
}

}  // namespace vigilix::testing
