#include "platform/ui/number_formatter.h"

#include <fmt/format.h>

#include <cmath>

namespace vigilix::platform {

std::string NumberFormatter::stringFromNumber(double number) const {
  if (!std::isfinite(number)) return std::isnan(number) ? "NaN" : (number < 0 ? "-∞" : "∞");
  int fraction = allowsFloats_ ? std::max(0, maximumFractionDigits_) : 0;
  std::string text = fmt::format("{:.{}f}", std::fabs(number), fraction);
  if (fraction > 0) {
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
  }
  auto dot = text.find('.');
  std::string integer = text.substr(0, dot);
  std::string rest = dot == std::string::npos ? "" : text.substr(dot);
  if (integer == "0" && minimumIntegerDigits_ == 0 && !rest.empty()) integer.clear();
  if (static_cast<int>(integer.size()) > maximumIntegerDigits_) {
    integer = integer.substr(integer.size() - std::max(0, maximumIntegerDigits_));
  }
  while (static_cast<int>(integer.size()) < minimumIntegerDigits_) integer.insert(0, "0");
  bool negative = number < 0 && (integer + rest).find_first_not_of("0.") != std::string::npos;
  return (negative ? "-" : "") + integer + rest;
}

}  // namespace vigilix::platform
