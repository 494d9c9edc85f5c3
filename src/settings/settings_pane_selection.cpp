#include "settings/settings_pane_selection.h"

#include <algorithm>

#include "platform/defaults/user_defaults.h"

namespace vigilix {

const std::vector<std::string>& VGXSettingsPaneSelection::paneIdentifiers() {
  static const std::vector<std::string> identifiers{"general", "durations", "triggers"};
  return identifiers;
}

VGXSettingsPaneSelection::VGXSettingsPaneSelection(platform::UserDefaults& defaults)
    : defaults_(defaults) {}

std::optional<std::size_t> VGXSettingsPaneSelection::indexOfPaneWithIdentifier(
    const std::string& identifier) const {
  const auto& panes = paneIdentifiers();
  auto found = std::ranges::find(panes, identifier);
  if (found == panes.end()) return std::nullopt;
  return static_cast<std::size_t>(found - panes.begin());
}

bool VGXSettingsPaneSelection::selectPaneWithIdentifier(const std::string& identifier) {
  auto index = indexOfPaneWithIdentifier(identifier);
  return index && selectPaneAtIndex(*index);
}

bool VGXSettingsPaneSelection::selectPaneAtIndex(std::size_t index) {
  if (index >= paneIdentifiers().size()) return false;
  selected_ = index;
  if (!restoringSelection_) defaults_.set(kVGXLastSettingsPaneKey, paneIdentifiers()[index]);
  return true;
}

bool VGXSettingsPaneSelection::selectPaneFromUserInfo(
    const platform::PropertyDictionary& userInfo) {
  if (auto it = userInfo.find("identifier"); it != userInfo.end() && it->second.isString()) {
    const auto& identifier = std::get<std::string>(it->second.value);
    if (!identifier.empty()) return selectPaneWithIdentifier(identifier);
  }
  auto it = userInfo.find("index");
  if (it == userInfo.end()) return false;
  std::int64_t index = -1;
  if (it->second.isInteger()) {
    index = std::get<std::int64_t>(it->second.value);
  } else if (it->second.isReal()) {
    // Compared before converting: a real out of range has no integer.
    double real = std::get<double>(it->second.value);
    if (real >= 0 && real < static_cast<double>(paneIdentifiers().size())) {
      index = static_cast<std::int64_t>(real);
    }
  }
  if (index < 0) return false;
  return selectPaneAtIndex(static_cast<std::size_t>(index));
}

void VGXSettingsPaneSelection::restoreLastPane() {
  auto last = defaults_.stringValue(kVGXLastSettingsPaneKey);
  if (!last || last->empty()) return;
  restoringSelection_ = true;
  selectPaneWithIdentifier(*last);
  restoringSelection_ = false;
}

}  // namespace vigilix
