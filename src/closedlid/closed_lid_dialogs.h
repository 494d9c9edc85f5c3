#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "platform/ui/alert.h"

namespace vigilix {

// The controller's three alerts. None runs a nested loop: each answer comes
// through the completion. The second button has no key equivalent, so Return
// never confirms what the second button does. Main thread only.
namespace VGXClosedLidDialogs {

using Answer = std::function<void(bool)>;

std::shared_ptr<platform::Alert> makeEnableConfirmation(int batteryFloorPercent,
                                                        int batteryCapHours);
std::shared_ptr<platform::Alert> makeRemovalConfirmation();
std::shared_ptr<platform::Alert> makeRemovalRetry();

// Presents `alert` application-modally; the answer is true when the button
// at `yesButton` ended it.
void present(const std::shared_ptr<platform::Alert>& alert, std::size_t yesButton, Answer answer);
inline constexpr std::size_t kEnableButton = 1;
inline constexpr std::size_t kRemoveButton = 1;
inline constexpr std::size_t kTryAgainButton = 0;

// Application-modal; the answer is true for "Enable Closed-Lid Mode".
void confirmEnabling(int batteryFloorPercent, int batteryCapHours, Answer answer);
// True for "Remove Helper".
void confirmRemoval(Answer answer);
// True for "Try Again".
void offerRemovalRetry(Answer answer);

}  // namespace VGXClosedLidDialogs

}  // namespace vigilix
