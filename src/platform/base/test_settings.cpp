#include "platform/base/test_settings.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vigilix::platform {

std::optional<double> testSeconds([[maybe_unused]] const char* variable) {
#ifdef VIGILIX_TEST_SETTINGS
  const char* value = std::getenv(variable);
  if (value == nullptr) return std::nullopt;
  const char* end = value + std::strlen(value);
  double seconds = 0;
  const auto [stop, error] = std::from_chars(value, end, seconds);
  if (error != std::errc() || stop != end || !std::isfinite(seconds) || seconds <= 0) {
    return std::nullopt;
  }
  return seconds;
#else
  return std::nullopt;
#endif
}

}  // namespace vigilix::platform
