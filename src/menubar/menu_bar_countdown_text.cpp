#include "menubar/menu_bar_countdown_text.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>

namespace vigilix {
namespace {

constexpr double kShortestDelay = 0.05;

bool isValid(double remaining) {
  return std::isfinite(remaining) && remaining > 0 &&
         remaining <= VGXMenuBarCountdown::maximumRemaining;
}

int roundedUpMinutes(double remaining) { return static_cast<int>(std::ceil(remaining / 60)); }

}  // namespace

std::optional<std::string> VGXMenuBarCountdown::text(double remaining) {
  if (!isValid(remaining)) return std::nullopt;
  const int minutes = roundedUpMinutes(remaining);
  return fmt::format("{:d}:{:02d}", minutes / 60, minutes % 60);
}

std::optional<std::string> VGXMenuBarCountdown::text(const AwakeStatus& status,
                                                     platform::Date now) {
  if (status.kind() != AwakeStatus::Kind::manualUntil) return std::nullopt;
  return text(status.date() - now);
}

std::optional<double> VGXMenuBarCountdown::nextUpdateDelay(double remaining) {
  if (!isValid(remaining)) return std::nullopt;
  const int minutes = roundedUpMinutes(remaining);
  return std::max(remaining - 60.0 * (minutes - 1), kShortestDelay);
}

}  // namespace vigilix
