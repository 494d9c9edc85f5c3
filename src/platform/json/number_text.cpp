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

std::string decimalDescription(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char buffer[64];
  double magnitude = std::fabs(value);
  bool exponent = magnitude != 0 && (magnitude < 1e-4 || magnitude > 18014398509481984.0);
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                              exponent ? std::chars_format::scientific : std::chars_format::fixed);
  std::string text(buffer, result.ptr);
  if (!exponent && text.find('.') == std::string::npos) text += ".0";
  return text;
}

}  // namespace vigilix::platform::json
