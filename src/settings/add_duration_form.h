#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vigilix {

class DZLActivationDurationsController;

// The values behind the add-duration sheet and what pressing "Add" does
// with them. Out-of-range fields are clamped in place so the user sees the
// largest value allowed and can press "Add" again.
class DZLAddDurationForm {
 public:
  enum class Result { Added = 0, Invalid = 1, Duplicate = 2 };

  static constexpr std::int64_t kMaximumHours = 999;
  static constexpr std::int64_t kMaximumMinutes = 59;
  static constexpr std::int64_t kMaximumSeconds = 59;
  static constexpr const char* kInvalidMessage =
      "The entered duration is invalid. Please try again.";
  static constexpr const char* kDuplicateMessage = "This duration has already been added.";

  explicit DZLAddDurationForm(DZLActivationDurationsController& controller);

  std::optional<std::int64_t> hours;
  std::optional<std::int64_t> minutes;
  std::optional<std::int64_t> seconds;
  std::optional<std::string> errorMessage;

  // One hour, no minutes, no seconds: what a new sheet starts from.
  void resetValues();
  // The checks stop at the first clamp; an absent field becomes 0.
  Result validateInputs();
  // validateInputs, then the message for a refusal (none when added).
  Result add();
  // The user starts editing a field: the error goes away.
  void beginEditing() { errorMessage.reset(); }

 private:
  DZLActivationDurationsController& controller_;
};

}  // namespace vigilix
