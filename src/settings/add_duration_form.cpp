#include "settings/add_duration_form.h"

#include "menubar/activation_duration.h"
#include "menubar/activation_durations_controller.h"

namespace vigilix {

namespace {

// Clamps an over-large field to its maximum; true when it had to.
bool clampField(std::optional<std::int64_t>& field, std::int64_t maximum) {
  if (!field) field = 0;
  if (*field <= maximum) return false;
  field = maximum;
  return true;
}

}  // namespace

DZLAddDurationForm::DZLAddDurationForm(DZLActivationDurationsController& controller)
    : controller_(controller) {
  resetValues();
}

void DZLAddDurationForm::resetValues() {
  hours = 1;
  minutes = 0;
  seconds = 0;
}

DZLAddDurationForm::Result DZLAddDurationForm::validateInputs() {
  if (clampField(hours, kMaximumHours)) return Result::Invalid;
  if (clampField(minutes, kMaximumMinutes)) return Result::Invalid;
  if (clampField(seconds, kMaximumSeconds)) return Result::Invalid;
  // Negative fields are refused here rather than subtracted from the others.
  if (*hours < 0 || *minutes < 0 || *seconds < 0) return Result::Invalid;
  auto duration = DZLActivationDuration::initWithHours(*hours, *minutes, *seconds);
  if (!duration) return Result::Invalid;
  return controller_.addActivationDuration(*duration) ? Result::Added : Result::Duplicate;
}

DZLAddDurationForm::Result DZLAddDurationForm::add() {
  Result result = validateInputs();
  switch (result) {
    case Result::Added:
      errorMessage.reset();
      break;
    case Result::Invalid:
      errorMessage = kInvalidMessage;
      break;
    case Result::Duplicate:
      errorMessage = kDuplicateMessage;
      break;
  }
  return result;
}

}  // namespace vigilix
