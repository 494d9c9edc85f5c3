#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "health/app_notification_names.h"
#include "platform/base/property_value.h"

namespace vigilix {

namespace platform {
class UserDefaults;
}

inline constexpr const char* kVGXLastSettingsPaneKey = "run.tarvo.vigilix.LastSettingsPane";

// Which tab of the settings window is selected, remembered across launches.
// The pane the window restores at opening is not written back; every later
// choice is, whoever made it. Main thread only.
class VGXSettingsPaneSelection {
 public:
  // The window's tabs, in order.
  static const std::vector<std::string>& paneIdentifiers();

  explicit VGXSettingsPaneSelection(platform::UserDefaults& defaults);

  std::size_t selectedIndex() const { return selected_; }

  std::optional<std::size_t> indexOfPaneWithIdentifier(const std::string& identifier) const;
  // Unknown identifiers change nothing; returns whether a pane was selected.
  bool selectPaneWithIdentifier(const std::string& identifier);
  // Out of range: nothing.
  bool selectPaneAtIndex(std::size_t index);
  // The select-pane notification's user info: a non-empty "identifier",
  // else an "index" inside the tab list.
  bool selectPaneFromUserInfo(const platform::PropertyDictionary& userInfo);
  // The stored last pane; an unknown one leaves the first tab selected.
  void restoreLastPane();

 private:
  platform::UserDefaults& defaults_;
  std::size_t selected_ = 0;
  bool restoringSelection_ = false;
};

}  // namespace vigilix
