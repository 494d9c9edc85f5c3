#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/notifications/notification_center.h"
#include "platform/ui/button.h"
#include "platform/ui/window.h"
#include "settings/durations_settings_pane.h"
#include "settings/general_settings_pane.h"
#include "settings/settings_pane_content.h"
#include "settings/settings_pane_selection.h"

namespace vigilix {

// The settings window: a row of tabs (General, Durations, Triggers) over
// the selected pane. It remembers the last pane, follows the select-pane
// notification, sizes itself to the pane within the shared bounds keeping
// its top edge, keeps its frame between runs, and answers Ctrl+Q and Ctrl+W
// itself. Main thread only.
class DZLSettingsWindow : public platform::Window {
 public:
  struct Inputs {
    platform::UserDefaults& defaults;
    DZLActivationDurationsController& durations;
    platform::LoginItem& loginItem;
    VGXGlobalShortcutCenter& shortcuts;
    std::optional<std::string> commandLineCommand;
    VGXGeneralSettingsViewController::Actions generalActions;
    std::function<void()> quit;
    // Built above this folder; none shows a line in its place.
    std::shared_ptr<VGXSettingsPaneContent> triggersPane = nullptr;
  };
  // Built through make(): the panes keep a weak reference to the window.
  static std::shared_ptr<DZLSettingsWindow> make(Inputs inputs);
  explicit DZLSettingsWindow(Inputs inputs);

  VGXSettingsPaneSelection& selection() { return selection_; }
  void selectGeneralPane() { selectPaneWithIdentifier("general"); }
  bool selectPaneWithIdentifier(const std::string& identifier);
  bool selectPaneAtIndex(std::size_t index);

  const std::vector<std::shared_ptr<platform::Button>>& tabs() const { return tabs_; }
  VGXGeneralSettingsViewController& generalPane() { return general_; }
  DZLDurationSettingsViewController& durationsPane() { return durations_; }
  // The Triggers pane's view, or the line shown without one.
  const std::shared_ptr<platform::View>& triggersPane() const { return triggers_; }
  // The selected pane hears that it is on screen again.
  void contentDidAppear();
  const std::shared_ptr<platform::View>& selectedPaneView() const;

  void keyDown(const platform::Event& event) override;
  // With the desktop's Reduce Motion on, nothing of the window animates
  // from then on, even once it is off again.
  void applyReduceMotionIfNeeded();

 private:
  void showSelectedPane();

  std::function<void()> quit_;
  VGXSettingsPaneSelection selection_;
  VGXGeneralSettingsViewController general_;
  DZLDurationSettingsViewController durations_;
  std::shared_ptr<VGXSettingsPaneContent> triggersContent_;
  std::shared_ptr<platform::View> triggers_;
  std::vector<std::shared_ptr<platform::View>> panes_;
  std::vector<std::shared_ptr<platform::Button>> tabs_;
  std::shared_ptr<platform::View> tabBar_;
  platform::ObserverHandle selectObserver_;
};

}  // namespace vigilix
