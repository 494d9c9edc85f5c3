#pragma once

#include <optional>

#include "platform/base/date.h"
#include "platform/ui/control.h"

namespace vigilix::platform {

// A date and time picker. Its value never lies before the minimum date; a
// user's choice before it is brought up to it.
class DatePicker : public Control {
 public:
  explicit DatePicker(Rect frame = {});

  Date dateValue() const { return value_; }
  void setDateValue(Date date);
  std::optional<Date> minDate() const { return minDate_; }
  void setMinDate(std::optional<Date> date);

  // The user picks a date (typing into the elements or stepping them): the
  // value is kept at or after the minimum and the action is sent.
  void chooseDate(Date date);

  bool acceptsFirstResponder() const override { return isEnabled(); }
  Size intrinsicContentSize() const override { return Size{160, 22}; }
  AccessibilityRole accessibilityRole() const override { return AccessibilityRole::DateTimeArea; }

 private:
  Date clamped(Date date) const;
  Date value_;
  std::optional<Date> minDate_;
};

}  // namespace vigilix::platform
