#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/notifications/notification_center.h"
#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/stack_view.h"
#include "platform/ui/table_view.h"
#include "platform/ui/window.h"
#include "settings/add_duration_form.h"
#include "settings/settings_section.h"

namespace vigilix {

class DZLActivationDurationsController;

namespace platform {
class UserDefaults;
class Alert;
}  // namespace platform

inline constexpr const char* kVGXRestartTimerOnActivityKey = "VGXRestartTimerOnActivity";

// The add-duration sheet: three fields, the error line, Cancel and Add.
class DZLAddDurationViewController {
 public:
  explicit DZLAddDurationViewController(DZLActivationDurationsController& controller);

  const std::shared_ptr<platform::Window>& window() const { return window_; }
  DZLAddDurationForm& form() { return form_; }
  const std::shared_ptr<platform::TextField>& hoursField() const { return fields_[0]; }
  const std::shared_ptr<platform::TextField>& minutesField() const { return fields_[1]; }
  const std::shared_ptr<platform::TextField>& warningLabel() const { return warning_; }
  const std::shared_ptr<platform::Button>& addButton() const { return add_; }
  const std::shared_ptr<platform::Button>& cancelButton() const { return cancel_; }

 private:
  void add();
  void show();

  static constexpr double kWidth = 320;

  DZLAddDurationForm form_;
  std::shared_ptr<platform::Window> window_;
  std::shared_ptr<platform::StackView> content_;
  std::shared_ptr<platform::TextField> fields_[3];
  std::shared_ptr<platform::TextField> warning_;
  std::shared_ptr<platform::Button> add_;
  std::shared_ptr<platform::Button> cancel_;
};

// The Durations pane: the list the status menu offers as a table, a column
// of durations and one marking the default, with − and + under it and the
// buttons that change it. Every change, from here or elsewhere, arrives as
// the controller's change notification.
class DZLDurationSettingsViewController {
 public:
  DZLDurationSettingsViewController(DZLActivationDurationsController& controller,
                                    platform::UserDefaults& defaults);

  const std::shared_ptr<platform::StackView>& view() const { return view_; }
  // The window the sheets attach to.
  void setWindow(std::weak_ptr<platform::Window> window) { window_ = std::move(window); }

  const std::shared_ptr<platform::TableView>& table() const { return table_; }
  std::optional<std::size_t> selectedRow() const { return selected_; }
  void selectRow(std::optional<std::size_t> row);
  const std::shared_ptr<platform::Button>& removeButton() const { return remove_; }
  const std::shared_ptr<platform::Button>& addButton() const { return add_; }
  const std::shared_ptr<platform::Button>& setDefaultButton() const { return setDefault_; }
  const std::shared_ptr<platform::Button>& resetButton() const { return reset_; }
  const std::shared_ptr<platform::CheckBox>& restartOnActivity() const { return restart_; }
  // The open add sheet, else nullptr.
  DZLAddDurationViewController* addSheet() const { return sheet_.get(); }
  // The reset alert's window while it is open.
  std::shared_ptr<platform::Window> resetAlertWindow() const;

  void reload();

 private:
  void presentAddSheet();
  void presentResetAlert();

  DZLActivationDurationsController& controller_;
  platform::UserDefaults& defaults_;
  std::weak_ptr<platform::Window> window_;
  std::shared_ptr<platform::StackView> view_;
  std::shared_ptr<platform::TableView> table_;
  std::optional<std::size_t> selected_;
  std::shared_ptr<platform::Button> remove_, add_, setDefault_, reset_;
  std::shared_ptr<platform::CheckBox> restart_;
  std::shared_ptr<platform::TextField> caption_;
  std::unique_ptr<DZLAddDurationViewController> sheet_;
  std::shared_ptr<platform::Alert> alert_;
  platform::ObserverHandle changes_;
};

}  // namespace vigilix
