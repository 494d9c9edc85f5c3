#pragma once

#include <optional>

namespace vigilix::platform {

// A length of time, in seconds, that a test hands the built program in the environment variable
// `variable`, so that it need not wait out the real one. Only a build with the tests reads it;
// any other build, and a value that is not a positive number, answers none.
std::optional<double> testSeconds(const char* variable);

}  // namespace vigilix::platform
