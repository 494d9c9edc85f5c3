#include "platform/ui/date_picker.h"

#include "platform/runloop/clock.h"

namespace vigilix::platform {

DatePicker::DatePicker(Rect frame) : Control(frame), value_(Clock::current().now()) {}

Date DatePicker::clamped(Date date) const {
  if (!date.isFinite()) date = value_;
  if (minDate_ && date < *minDate_) date = *minDate_;
  return date;
}

void DatePicker::setDateValue(Date date) {
  Date next = clamped(date);
  if (next == value_) return;
  value_ = next;
  setNeedsDisplay();
}

void DatePicker::setMinDate(std::optional<Date> date) {
  minDate_ = date;
  setDateValue(value_);
}

void DatePicker::chooseDate(Date date) {
  if (!isEnabled()) return;
  setDateValue(date);
  sendAction();
}

}  // namespace vigilix::platform
