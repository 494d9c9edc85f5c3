#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/property_value.h"

namespace vigilix {

// How long a manual keep-awake session lasts, in seconds; 0 means
// indefinite. A plain value: any double is accepted as it is (NaN included),
// and equality is that of the seconds.
class DZLActivationDuration {
 public:
  explicit DZLActivationDuration(double seconds = 0) : seconds_(seconds) {}
  static DZLActivationDuration initWithDuration(double seconds) {
    return DZLActivationDuration(seconds);
  }
  // (hours × 60 + minutes) × 60 + seconds. None, with a fault log, for
  // minutes or seconds above 60 or a total that is not above 0.
  static std::optional<DZLActivationDuration> initWithHours(std::int64_t hours,
                                                            std::int64_t minutes,
                                                            std::int64_t seconds);

  double seconds() const { return seconds_; }
  bool isIndefinite() const { return seconds_ == 0; }
  bool isEqualToActivationDuration(const DZLActivationDuration& other) const {
    return seconds_ == other.seconds_;
  }
  bool operator==(const DZLActivationDuration& other) const {
    return isEqualToActivationDuration(other);
  }
  // Defined for every value: equal durations hash alike, and no value is
  // converted to a type that cannot hold it.
  std::size_t hash() const;

  // "Indefinitely", else the span in full units ("1 hour, 30 minutes"), in
  // the current locale.
  std::string localizedTitle() const;
  std::string debugDescription() const;

  // Coded as one real number under "DZLSeconds". Decoding takes a number
  // of either kind and refuses anything else.
  platform::PropertyDictionary encode() const;
  static std::optional<DZLActivationDuration> decode(const platform::PropertyDictionary& coded);

  // 5, 10, 15 and 30 minutes, 1, 2 and 5 hours, in this order.
  static std::vector<DZLActivationDuration> defaultActivationDurations();
  static DZLActivationDuration indefiniteActivationDuration() { return DZLActivationDuration(0); }

 private:
  double seconds_;
};

// The whole seconds a duration can be stored and tagged as: the fraction
// dropped, at most the largest whole number that both a double and a 64-bit
// integer hold exactly. None for what is not finite or not above 0.
std::optional<std::int64_t> wholePositiveSeconds(double seconds);

}  // namespace vigilix

template <>
struct std::hash<vigilix::DZLActivationDuration> {
  std::size_t operator()(const vigilix::DZLActivationDuration& duration) const {
    return duration.hash();
  }
};
