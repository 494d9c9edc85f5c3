#pragma once

#include <string>

namespace vigilix::platform {

// A number formatter for plain decimal numbers (no grouping, no locale
// digits): fraction digits and integer digit counts.
class NumberFormatter {
 public:
  void setAllowsFloats(bool v) { allowsFloats_ = v; }
  void setMaximumFractionDigits(int v) { maximumFractionDigits_ = v; }
  void setMinimumIntegerDigits(int v) { minimumIntegerDigits_ = v; }
  int maximumIntegerDigits() const { return maximumIntegerDigits_; }
  void setMaximumIntegerDigits(int v) { maximumIntegerDigits_ = v; }

  // Rounds to the fraction digits, pads to the minimum integer digits and,
  // like the platform, keeps only the lowest maximum-integer-digits digits.
  std::string stringFromNumber(double number) const;

 private:
  bool allowsFloats_ = true;
  int maximumFractionDigits_ = 0;
  int minimumIntegerDigits_ = 1;
  int maximumIntegerDigits_ = 42;
};

}  // namespace vigilix::platform
