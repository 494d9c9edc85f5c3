#pragma once

#include <cstdint>
#include <functional>

namespace vigilix::platform {

// Whether a process exists: signal 0 is delivered, or refused only for lack
// of permission (the process belongs to someone else). An identifier of 0 or
// below is never alive: signal 0 to it would address a process group, or
// every process, and answer for them.
bool isProcessAlive(std::int32_t processIdentifier);

// The same rule over a given way of sending signal 0, which answers 0 on
// success or the errno value of the failure.
bool isProcessAlive(std::int32_t processIdentifier,
                    const std::function<int(std::int32_t)>& sendSignalZero);

}  // namespace vigilix::platform
