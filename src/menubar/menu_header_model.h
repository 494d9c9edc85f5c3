#pragma once

#include <optional>
#include <string>

#include "keepawake/awake_state.h"
#include "menubar/awake_status_text.h"
#include "platform/base/date.h"

namespace vigilix {

// Text builders of the menu header: its reason line, the name of the
// keep-awake power assertion and the pause row of the automatic section.
// Pure functions of their arguments.
struct VGXMenuHeaderModel {
  VGXMenuHeaderModel() = delete;

  static std::string reasonLine(const AwakeSnapshot& snapshot, const StatusTextContext& context) {
    return AwakeStatusText::text(StatusSurface::headerReason, snapshot, context);
  }
  static std::string assertionReason(const AwakeSnapshot& snapshot,
                                     const StatusTextContext& context) {
    return AwakeStatusText::text(StatusSurface::assertionReason, snapshot, context);
  }
  static std::optional<std::string> automaticPauseText(const TriggerPause& pause,
                                                       const StatusTextContext& context);
  // The time left in shortened words, at most two units: seconds alone
  // below a minute, else whole minutes rounded up ("2 min" for 61 s).
  static std::string remainingText(platform::Date until, const StatusTextContext& context) {
    return AwakeStatusText::remaining(until, context, RemainingStyle::shortened);
  }
};

}  // namespace vigilix
