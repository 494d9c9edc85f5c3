#pragma once

#include <optional>

#include "platform/base/date.h"
#include "platform/ui/control.h"

namespace vigilix::platform {

// A date and time picker. Its value always lies within the minimum and
// maximum dates; a user's choice outside them is brought inside.
class DatePicker : public Control {
 public:
  explicit DatePicker(Rect frame = {});


  Date dateValue() const { return value_; }
  void setDateValue(Date date);
  std::optional<Date> minDate() const { return minDate_; }
  void setMinDate(std::optional<Date> date);
  std::optional<Date> maxDate() const { return maxDate_; }
  void setMaxDate(std::optional<Date> date);

  // The user picks a date (typing into the elements or stepping them): the
  // value is kept within the bounds and the action is sent.
  void chooseDate(Date date);

  bool acceptsFirstResponder() const override { return isEnabled(); }
  Size intrinsicContentSize() const override { return Size{160, 22}; }
  AccessibilityRole accessibilityRole() const override { return AccessibilityRole::DateTimeArea; }

 private:
  Date clamped(Date date) const;
  Date value_;
  std::optional<Date> minDate_;
  std::optional<Date> maxDate_;
};

}  // namespace vigilix::platform
