#pragma once

namespace vigilix::platform {

// The product's one identifier: the standard settings domain, the application's name on the
// session bus and its desktop entry, and the subsystem of every log.
inline constexpr const char* kProductIdentifier = "run.tarvo.vigilix";

}  // namespace vigilix::platform
