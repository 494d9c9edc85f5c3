#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "keepawake/awake_state.h"
#include "menubar/activation_duration.h"
#include "menubar/activation_durations_controller.h"
#include "platform/ui/color.h"
#include "platform/ui/menu.h"

namespace vigilix {

class DZLActivationDurationsMenuController;

// What the "Keep Awake For" submenu asks and tells; the application
// controller answers. Every method is optional.
class DZLActivationDurationsMenuControllerDelegate {
 public:
  virtual ~DZLActivationDurationsMenuControllerDelegate() = default;

  // The manual session the state machine runs now: the check mark follows
  // it, not the duration last chosen, so an extended or restored session is
  // marked as it really is.
  virtual ManualSessionKind currentManualSession() { return ManualSessionKind::none(); }
  virtual void activationDurationsMenuControllerDidSelectActivationDuration(
      DZLActivationDurationsMenuController& /*controller*/,
      const DZLActivationDuration& /*duration*/) {}
  virtual void activationDurationsMenuControllerDidSelectCustomDuration(
      DZLActivationDurationsMenuController& /*controller*/) {}
};

// The "Keep Awake For" submenu: one row per duration, each with an
// Option-key alternate that makes it the default, then "Custom Duration…".
// Rebuilt every time the menu is about to open. Main thread only.
class DZLActivationDurationsMenuController
    : public platform::MenuDelegate,
      public std::enable_shared_from_this<DZLActivationDurationsMenuController> {
 public:
  static std::shared_ptr<DZLActivationDurationsMenuController> create(
      DZLActivationDurationsController& controller =
          DZLActivationDurationsController::sharedController());

  DZLActivationDurationsController& activationDurationsController() const { return controller_; }
  const std::shared_ptr<platform::Menu>& menu() const { return menu_; }
  void setDelegate(std::weak_ptr<DZLActivationDurationsMenuControllerDelegate> delegate) {
    delegate_ = std::move(delegate);
  }

  void menuNeedsUpdate(platform::Menu& menu) override;

  // The items' actions.
  void selectActivationDuration(platform::MenuItem& sender);
  void setDefaultActivationDuration(platform::MenuItem& sender);
  void selectCustomDuration(platform::MenuItem& sender);

  // The title followed by a blank, and "(Default)" in the default colour
  // for the default duration, in 14-point monospaced digits.
  static std::vector<platform::TitleRun> attributedStringForMenuItemTitle(const std::string& title,
                                                                          bool isDefault);
  static platform::Color defaultAttributeTextColor() { return platform::Color::secondaryLabel(); }
  // The row a session checks: its total for one of a duration, the
  // indefinite row for an indefinite one, none for one until a time.
  static std::optional<DZLActivationDuration> checkedActivationDuration(
      const ManualSessionKind& session);

 private:
  struct Passkey {};

 public:
  DZLActivationDurationsMenuController(Passkey, DZLActivationDurationsController& controller);

 private:
  std::shared_ptr<platform::MenuItem> makeItem(
      std::string title, void (DZLActivationDurationsMenuController::*action)(platform::MenuItem&));

  DZLActivationDurationsController& controller_;
  std::shared_ptr<platform::Menu> menu_;
  std::weak_ptr<DZLActivationDurationsMenuControllerDelegate> delegate_;
};

}  // namespace vigilix
