#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "closedlid/closed_lid_controller.h"

namespace vigilix {

// One choice of a picker: its value and the label shown for it.
struct VGXClosedLidChoice {
  int value = 0;
  std::string label;
  bool operator==(const VGXClosedLidChoice&) const = default;
};

// What the closed-lid settings section shows, copied from the controller
// and the defaults on every refresh.
struct VGXClosedLidSectionState {
  bool visible = false;  // hidden availability: nothing at all
  bool removalOnly = false;
  bool switchOn = false;
  bool switchEnabled = false;
  std::optional<std::string> reason;
  bool showAskAgain = false;  // asks for the administrator password again
  bool showTryAgain = false;
  std::vector<VGXClosedLidChoice> floorChoices;
  int batteryFloor = 30;
  bool floorManaged = false;
  std::vector<VGXClosedLidChoice> capChoices;
  int batteryCapHours = 3;
  bool capManaged = false;
  bool endSessionOnLidOpen = false;
  bool showRemove = false;
  bool showRemoveRetry = false;

  bool operator==(const VGXClosedLidSectionState&) const = default;
};

// The model of the closed-lid settings section: its state and the calls
// behind each control. Main thread only.
class VGXClosedLidSettingsModel {
 public:
  struct Actions {
    // Asks again for the registration (the administrator password).
    std::function<void()> askForApprovalAgain;
    // Asks the user to confirm the removal.
    std::function<void(std::function<void(bool)>)> confirmRemoval;
  };

  VGXClosedLidSettingsModel(VGXClosedLidController& controller, platform::UserDefaults& defaults,
                            Actions actions);

  const VGXClosedLidSectionState& state() const { return state_; }
  void refresh();

  void setSwitch(bool on);
  void askAgain();
  void tryAgain();
  void chooseFloor(int percent);
  void chooseCap(int hours);
  void setEndSessionOnLidOpen(bool on);
  void remove();
  void retryRemoval();

 private:
  VGXClosedLidController& controller_;
  platform::UserDefaults& defaults_;
  Actions actions_;
  VGXClosedLidSectionState state_;
};

// The choices with `current` added in order when it is none of them.
std::vector<int> choicesWith(std::vector<int> choices, int current);

}  // namespace vigilix
