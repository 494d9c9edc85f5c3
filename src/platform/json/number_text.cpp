#include "platform/json/number_text.h"

#include <charconv>
#include <cmath>

namespace vigilix::platform::json {

std::optional<std::string> numberText(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  if (value == 0) return "0";
  char buffer[64];
  double magnitude = std::fabs(value);
  auto format = magnitude < 1e-4 || magnitude >= 1e16 ? std::chars_format::scientific
                                                      : std::chars_format::fixed;
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format);
  if (result.ec != std::errc()) return std::nullopt;
  return std::string(buffer, result.ptr);
}

}  // namespace vigilix::platform::json
