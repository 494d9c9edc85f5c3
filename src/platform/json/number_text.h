#pragma once

#include <optional>
#include <string>

namespace vigilix::platform::json {

// The JSON text of a double: the shortest digits that read back as the same
// double; integral values without a fraction ("1800", not "1800.0");
// exponent form only for magnitudes below 1e-4 or from 1e16 ("1e-05",
// "1e+16"). Negative zero is written "0" (JSON readers cannot keep its sign
// anyway). None for NaN and the infinities, which JSON cannot carry.
std::optional<std::string> numberText(double value);

}  // namespace vigilix::platform::json
