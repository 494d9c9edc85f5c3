#include "platform/ui/control.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vigilix::platform {

Control::Control(Rect frame) : View(frame) { setAccessibilityElement(true); }

void Control::setEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  setNeedsDisplay();
}

bool Control::sendAction() {
  if (!action_) return false;
  // The action may tear down the window that holds this control: keep the
  // control and the callable alive until it returns.
  auto self = weak_from_this().lock();
  Action action = action_;
  action(*this);
  return true;
}

void Control::setStringValue(const std::string& value) {
  if (stringValue_ == value) return;
  stringValue_ = value;
  setNeedsDisplay();
}

std::int64_t Control::integerValue() const { return leadingInteger(stringValue()); }

void Control::setIntegerValue(std::int64_t value) { setStringValue(std::to_string(value)); }

double Control::doubleValue() const { return leadingDouble(stringValue()); }

std::int64_t Control::leadingInteger(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  std::int64_t value = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    int digit = text[i] - '0';
    if (value > (kMax - digit) / 10)
      return negative ? std::numeric_limits<std::int64_t>::min() : kMax;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

double Control::leadingDouble(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  double value = std::strtod(begin, &end);
  // Words such as "nan" and "inf" are not numbers a person typed.
  return end == begin || !std::isfinite(value) ? 0.0 : value;
}

}  // namespace vigilix::platform
