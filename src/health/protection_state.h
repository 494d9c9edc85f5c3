#pragma once

#include <optional>
#include <set>
#include <string>
#include <variant>

namespace vigilix {

// The safety rule that pauses keep-awake.
enum class VGXPauseReason { battery, heat, closedLidLimit, lowPowerMode };

// The result of one protection check. Plain value; any thread.
struct VGXProtectionState {
  struct deliberatePause {
    VGXPauseReason reason;
    bool operator==(const deliberatePause&) const = default;
  };
  // The check could not inspect the system; `reason` says why (for
  // diagnostics only, never shown in the header).
  struct unknown {
    std::string reason;
    bool operator==(const unknown&) const = default;
  };
  struct notExpected {
    bool operator==(const notExpected&) const = default;
  };
  struct verified {
    bool operator==(const verified&) const = default;
  };
  struct missing {
    bool operator==(const missing&) const = default;
  };
  struct closedLidClearFailed {
    bool operator==(const closedLidClearFailed&) const = default;
  };
  using Case =
      std::variant<deliberatePause, unknown, notExpected, verified, missing, closedLidClearFailed>;

  Case value = notExpected{};

  template <typename C>
  bool is() const {
    return std::holds_alternative<C>(value);
  }
  // `unknown`, `missing` and `closedLidClearFailed`.
  bool needsAttention() const;
  // The status menu header's text, localized; none for `notExpected` and
  // `verified`.
  std::optional<std::string> headerText() const;

  bool operator==(const VGXProtectionState&) const = default;
};

// What one check gathered. Equality compares every field; the verifier uses
// it to tell whether anything that decides protection changed.
struct VGXProtectionInputs {
  bool intentAwake = false;  // wanted, or a pause is in force
  std::optional<VGXPauseReason> pause;
  std::set<std::string> expectedAssertionTypes;
  std::optional<std::set<std::string>> observedAssertionTypes;  // none: not inspected or failed
  std::optional<std::string> inspectionError;
  bool repairAttempted = false;
  bool closedLidClearFailed = false;
  bool closedLidArmed = false;
  std::optional<bool> closedLidHeldFresh;  // none: no guard status

  bool operator==(const VGXProtectionInputs&) const = default;
};

namespace VGXProtectionModel {

// The one state for these inputs; pure. `repairAttempted` does not count.
VGXProtectionState evaluate(const VGXProtectionInputs& inputs);

}  // namespace VGXProtectionModel

}  // namespace vigilix
