#pragma once

#include <chrono>
#include <functional>

namespace vigilix::testing {

// Runs the live main loop until `condition` holds (true) or the deadline
// passes (false), looking after each short run. Bus handlers run meanwhile.
bool runMainLoopUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::seconds(10));

}  // namespace vigilix::testing
