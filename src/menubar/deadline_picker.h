#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/date.h"
#include "platform/locale/calendar.h"
#include "platform/ui/button.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/stepper.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"

namespace vigilix {

class VGXDeadlinePicker;

// Delegate of the hours and minutes fields: re-validates on every keystroke
// and lets the up and down arrows step the field. Made only with its owner.
class DurationFieldDelegate : public platform::TextFieldDelegate {
 public:
  explicit DurationFieldDelegate(std::weak_ptr<VGXDeadlinePicker> owner)
      : owner_(std::move(owner)) {}

  void controlTextDidChange(platform::Control& sender) override;
  bool controlTextViewDoCommandBySelector(platform::Control& control,
                                          platform::FieldEditor& textView,
                                          platform::TextCommand command) override;

 private:
  std::weak_ptr<VGXDeadlinePicker> owner_;
};

// The small panel in which the user types a keep-awake length ("Custom
// Duration") or picks an end date and time ("Keep Awake Until"). One panel
// serves both modes and at most one picker exists; it only reports the
// choice to its completion. Main thread only.
class VGXDeadlinePicker : public platform::WindowDelegate,
                          public std::enable_shared_from_this<VGXDeadlinePicker> {
 public:
  using DurationHandler = std::function<void(double seconds)>;
  using UntilHandler = std::function<void(platform::Date)>;

  static constexpr double kWidth = 380;
  static constexpr int kMaximumHours = 999;
  static constexpr int kMaximumMinutes = 59;

  // Shows the panel in duration mode; the handler gets a length above 0 s.
  static void presentDuration(DurationHandler handler);
  // Shows the panel in until mode; the handler gets a date later than the
  // moment of Start.
  static void presentUntil(UntilHandler handler);
  // The picker while one is open.
  static std::shared_ptr<VGXDeadlinePicker> current();

  // The date on the next five-minute mark (d itself when already on one
  // with zero seconds), by the calendar.
  static platform::Date roundedUpToFiveMinutes(platform::Date date,
                                               const platform::Calendar& calendar);
  // hours x 3600 + minutes x 60 after clamping both; none when not above 0.
  static std::optional<double> intervalOf(std::int64_t hours, std::int64_t minutes);

  // Control actions.
  void hoursStepperChanged(platform::Control& sender);
  void minutesStepperChanged(platform::Control& sender);
  void durationFieldChanged(platform::Control& sender);
  void untilDateChanged(platform::Control& sender);
  void cancel(platform::Control& sender);
  void start(platform::Control& sender);
  void windowWillClose(platform::Window& window) override;

  bool isDuration() const { return isDuration_; }
  const std::shared_ptr<platform::Window>& window() const { return window_; }
  const std::shared_ptr<platform::DatePicker>& datePicker() const { return datePicker_; }
  const std::shared_ptr<platform::TextField>& hoursField() const { return hoursField_; }
  const std::shared_ptr<platform::TextField>& minutesField() const { return minutesField_; }
  const std::shared_ptr<platform::Stepper>& hoursStepper() const { return hoursStepper_; }
  const std::shared_ptr<platform::Stepper>& minutesStepper() const { return minutesStepper_; }
  const std::shared_ptr<platform::TextField>& hoursUnitLabel() const { return hoursUnitLabel_; }
  const std::shared_ptr<platform::TextField>& minutesUnitLabel() const { return minutesUnitLabel_; }
  const std::shared_ptr<platform::TextField>& errorLabel() const { return errorLabel_; }
  const std::shared_ptr<platform::Button>& startButton() const { return startButton_; }
  const std::shared_ptr<platform::Button>& cancelButton() const { return cancelButton_; }

 private:
  friend class DurationFieldDelegate;

  void present(bool duration, DurationHandler durationHandler, UntilHandler untilHandler,
               const std::string& title);
  std::shared_ptr<DurationFieldDelegate> fieldDelegate();
  void createPanel(const std::string& title);
  void buildContent();
  void dropControls();
  void show();
  void refresh();
  void showNote(const std::string& text);
  void showError(const std::string& text);
  std::string endTimeText(platform::Date end, platform::Date now) const;
  std::int64_t fieldValue(const std::shared_ptr<platform::TextField>& field) const;
  // Binds a control's action to a member, without keeping the picker alive.
  platform::Control::Action action(void (VGXDeadlinePicker::*member)(platform::Control&));

  std::shared_ptr<DurationFieldDelegate> fieldDelegate_;
  std::shared_ptr<platform::Window> window_;
  std::shared_ptr<platform::DatePicker> datePicker_;
  std::shared_ptr<platform::TextField> hoursField_;
  std::shared_ptr<platform::TextField> minutesField_;
  std::shared_ptr<platform::Stepper> hoursStepper_;
  std::shared_ptr<platform::Stepper> minutesStepper_;
  std::shared_ptr<platform::TextField> hoursUnitLabel_;
  std::shared_ptr<platform::TextField> minutesUnitLabel_;
  std::shared_ptr<platform::TextField> errorLabel_;
  std::shared_ptr<platform::Button> startButton_;
  std::shared_ptr<platform::Button> cancelButton_;
  DurationHandler durationHandler_;
  UntilHandler untilHandler_;
  bool isDuration_ = false;
  std::optional<std::string> lastAnnouncedError_;
  std::shared_ptr<platform::View> container_;
};

}  // namespace vigilix
