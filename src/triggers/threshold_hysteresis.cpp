#include "triggers/threshold_hysteresis.h"

namespace vigilix {

bool ThresholdHysteresis::update(double value, double threshold, double sustainSeconds,
                                 platform::Date now) {
  if (sustainSeconds <= 0) {
    isOn = value >= threshold;
    highStreakStart.reset();
    lowStreakStart.reset();
    return isOn;
  }
  if (!isOn) {
    if (!(value >= threshold)) {
      highStreakStart.reset();
      return false;
    }
    if (!highStreakStart) highStreakStart = now;
    if (now - *highStreakStart >= sustainSeconds) {
      isOn = true;
      highStreakStart.reset();
      lowStreakStart.reset();
      return true;
    }
    return false;
  }
  if (!(value < threshold)) {
    lowStreakStart.reset();
    return true;
  }
  if (!lowStreakStart) lowStreakStart = now;
  if (now - *lowStreakStart >= sustainSeconds) {
    isOn = false;
    highStreakStart.reset();
    lowStreakStart.reset();
    return false;
  }
  return true;
}

}  // namespace vigilix
