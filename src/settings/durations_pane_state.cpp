#include "settings/durations_pane_state.h"

#include "menubar/activation_durations_controller.h"

namespace vigilix {

DZLDurationsPaneControls DZLDurationsPaneControls::forSelection(
    const DZLActivationDurationsController& controller, std::optional<std::size_t> selectedRow) {
  DZLDurationsPaneControls controls;
  controls.setDefaultEnabled = selectedRow.has_value();
  controls.removeEnabled =
      selectedRow && controller.canRemoveActivationDurationAtIndex(*selectedRow);
  controls.addEnabled = controller.activationDurations().size() < kMaximumEntries;
  return controls;
}

}  // namespace vigilix
