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

// A double as the platform's plain description of a number: the shortest
// digits that read back as the same double, with at least one digit after
// the point in decimal form ("1800.0", "0.5", "-0.0"); exponent form below
// 1e-4 and above 2^54 ("1e-05", "1.8014398509481986e+16"); "nan", "inf" and
// "-inf" for the non-finite values.
std::string decimalDescription(double value);

}  // namespace vigilix::platform::json
