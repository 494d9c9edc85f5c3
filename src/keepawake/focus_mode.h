#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "triggers/trigger_reason.h"

namespace vigilix {

namespace platform {
class UserDefaults;
}

class AwakeController;

// What the system Focus filter asks of keep-awake while its Focus is on.
enum class VGXFocusMode { off, whileOnPower, keepAwake };

// Exactly "off", "whileOnPower" or "keepAwake" (case counts); none otherwise.
std::optional<VGXFocusMode> focusModeFromRawValue(std::string_view rawValue);
std::string_view rawValue(VGXFocusMode mode);

// The JSON form: the raw value as a JSON string.
std::string encodeFocusModeJson(VGXFocusMode mode);
std::optional<VGXFocusMode> decodeFocusModeJson(std::string_view json);

// Standard-defaults key holding the raw value.
inline constexpr const char* kFocusModeDefaultsKey = "run.tarvo.vigilix.FocusMode";

// The stored mode; `off` when absent, not a string, or no known raw value.
VGXFocusMode loadFocusMode(const platform::UserDefaults& defaults);
void storeFocusMode(platform::UserDefaults& defaults, VGXFocusMode mode);

struct VGXFocusEvaluation {
  bool shouldKeepAwake = false;
  std::optional<TriggerReason> reason;
  std::string reasonLine;  // empty when the Focus asks for nothing

  bool operator==(const VGXFocusEvaluation&) const = default;
};

// The outcome of `mode` with the given power reading.
VGXFocusEvaluation evaluate(VGXFocusMode mode, bool onPower);

// Turns evaluations into the state machine's Focus reason, touching the
// controller only when the outcome changes (or on the first evaluation).
class FocusModeTracker {
 public:
  explicit FocusModeTracker(VGXFocusMode mode = VGXFocusMode::off) : mode_(mode) {}

  VGXFocusMode mode() const { return mode_; }
  void setMode(VGXFocusMode mode) { mode_ = mode; }
  // The last evaluation, none before the first.
  const std::optional<VGXFocusEvaluation>& lastEvaluation() const { return last_; }

  // Evaluates the mode; when `shouldKeepAwake` differs from the previous
  // outcome, sets the controller's Focus reasons and answers true (the caller
  // then persists and publishes).
  bool apply(bool onPower, AwakeController& controller);

 private:
  VGXFocusMode mode_;
  std::optional<VGXFocusEvaluation> last_;
};

}  // namespace vigilix
