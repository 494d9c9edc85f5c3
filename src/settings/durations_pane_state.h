#pragma once

#include <cstddef>
#include <optional>

namespace vigilix {

class DZLActivationDurationsController;

// Which of the Durations pane's controls may be used for a selected row.
struct DZLDurationsPaneControls {
  // The menu offers at most this many entries, the indefinite one included.
  static constexpr std::size_t kMaximumEntries = 42;

  bool setDefaultEnabled = false;
  bool removeEnabled = false;
  bool addEnabled = false;

  static DZLDurationsPaneControls forSelection(const DZLActivationDurationsController& controller,
                                               std::optional<std::size_t> selectedRow);
  bool operator==(const DZLDurationsPaneControls&) const = default;
};

}  // namespace vigilix
