#pragma once

#include <functional>

namespace vigilix::platform {

// Registers a function that puts one process-wide instance back into its
// never-used state. Register once per instance slot (for example from the
// initializer of a function-local static), not on every creation: the
// registry keeps every function for the life of the process.
void registerSharedInstanceReset(std::function<void()> reset);

// Runs every registered reset, the most recently registered first, so that
// instances built on top of others are dropped before what they use. Meant
// for the test platform between tests; not for the live program.
void resetSharedInstances();

}  // namespace vigilix::platform
