#pragma once

#include <optional>

#include "platform/base/date.h"

namespace vigilix {

// Makes a threshold rule switch only after its condition has held for the
// sustain time. Elapsed time is measured between the dates of the samples
// fed in, never by a clock of its own.
struct ThresholdHysteresis {
  bool isOn = false;
  // When the value was first seen at or above the threshold while off.
  std::optional<platform::Date> highStreakStart;
  // When the value was first seen below the threshold while on.
  std::optional<platform::Date> lowStreakStart;

  // Feeds one value; answers whether the condition is on. At or above the
  // threshold counts as high, strictly below as low; a value that cannot be
  // compared (not a number) keeps the current side.
  bool update(double value, double threshold, double sustainSeconds, platform::Date now);

  bool operator==(const ThresholdHysteresis&) const = default;
};

}  // namespace vigilix
