#include "settings/durations_settings_pane.h"

#include "menubar/activation_durations_controller.h"
#include "platform/defaults/user_defaults.h"
#include "platform/ui/alert.h"
#include "settings/durations_pane_state.h"
#include "settings/settings_footer.h"

namespace vigilix {

using platform::Button;
using platform::ControlStateValue;
using platform::Rect;
using platform::TextField;

namespace {

std::optional<std::int64_t> fieldValue(const TextField& field) {
  if (field.stringValue().empty()) return std::nullopt;
  return platform::Control::leadingInteger(field.stringValue());
}

std::string fieldText(const std::optional<std::int64_t>& value) {
  return value ? std::to_string(*value) : "";
}

}  // namespace

DZLAddDurationViewController::DZLAddDurationViewController(
    DZLActivationDurationsController& controller)
    : form_(controller),
      window_(std::make_shared<platform::Window>(Rect(0, 0, kWidth, 150),
                                                 platform::WindowStyle::Titled)),
      content_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)) {
  using platform::StackView;
  window_->setTitle("Add Duration");
  // Three fields of one width, each under its name; the error line; the buttons at the trailing
  // edge.
  auto fields = StackView::make(StackView::Orientation::Horizontal, {});
  fields->setSpacing(10);
  const char* names[] = {"Hours", "Minutes", "Seconds"};
  for (int i = 0; i < 3; ++i) {
    fields_[i] = TextField::textFieldWithString("");
    fields_[i]->setAccessibilityLabel(names[i]);
    auto column = StackView::make(StackView::Orientation::Vertical,
                                  {TextField::labelWithString(names[i]), fields_[i]});
    column->setSpacing(4);
    fields->addArrangedSubview(column);
    fields->setFlexible(*column, true);
  }
  warning_ = TextField::labelWithString("");
  warning_->setTextColor(platform::Color::systemRed());
  warning_->setMaximumNumberOfLines(0);
  cancel_ = Button::withTitle("Cancel");
  cancel_->setKeyEquivalent(platform::KeyEquivalent::Escape);
  cancel_->setAction([this](platform::Control&) {
    if (auto* parent = window_->sheetParent()) parent->endSheet(*window_);
  });
  add_ = Button::withTitle("Add");
  add_->setAction([this](platform::Control&) { add(); });
  window_->setDefaultButton(add_);
  auto buttons = StackView::make(StackView::Orientation::Horizontal,
                                 {std::make_shared<platform::SpacerView>(), cancel_, add_});
  for (const auto& view :
       std::initializer_list<std::shared_ptr<platform::View>>{fields, warning_, buttons})
    content_->addArrangedSubview(view);
  content_->setSpacing(12);
  content_->setEdgeInsets({20, 20, 20, 20});
  window_->setContentView(content_);
  show();
}

void DZLAddDurationViewController::show() {
  fields_[0]->setStringValue(fieldText(form_.hours));
  fields_[1]->setStringValue(fieldText(form_.minutes));
  fields_[2]->setStringValue(fieldText(form_.seconds));
  warning_->setStringValue(form_.errorMessage.value_or(""));
  warning_->setHidden(!form_.errorMessage);
  // As tall as its lines: the error line comes and goes.
  window_->setContentSize({kWidth, content_->heightForWidth(kWidth)});
  content_->setNeedsLayout(true);
}

void DZLAddDurationViewController::add() {
  form_.hours = fieldValue(*fields_[0]);
  form_.minutes = fieldValue(*fields_[1]);
  form_.seconds = fieldValue(*fields_[2]);
  auto result = form_.add();
  show();
  if (result == DZLAddDurationForm::Result::Added) {
    if (auto* parent = window_->sheetParent()) parent->endSheet(*window_);
  }
}

DZLDurationSettingsViewController::DZLDurationSettingsViewController(
    DZLActivationDurationsController& controller, platform::UserDefaults& defaults)
    : controller_(controller),
      defaults_(defaults),
      view_(std::make_shared<platform::StackView>(platform::StackView::Orientation::Vertical)),
      table_(std::make_shared<platform::TableView>()) {
  view_->setEdgeInsets({20, 30, 20, 30});
  view_->setSpacing(10);
  table_->setAccessibilityLabel("Durations");
  table_->setFont(platform::Font::monospacedDigitSystemFont(platform::Font::systemFontSize()));
  table_->setAction([this](platform::Control&) { selectRow(table_->selectedRow()); });
  view_->addArrangedSubview(table_);

  remove_ = Button::withTitle("−");
  remove_->setAccessibilityLabel("Remove Duration");
  remove_->setAction([this](platform::Control&) {
    if (selected_) controller_.removeActivationDurationAtIndex(*selected_);
  });
  add_ = Button::withTitle("+");
  add_->setAccessibilityLabel("Add Duration");
  add_->setAction([this](platform::Control&) { presentAddSheet(); });
  setDefault_ = Button::withTitle("Set Default");
  setDefault_->setAction([this](platform::Control&) {
    if (selected_) controller_.setActivationDurationAsDefaultAtIndex(*selected_);
  });
  reset_ = Button::withTitle("Reset…");
  reset_->setAccessibilityLabel("Reset Durations");
  reset_->setAction([this](platform::Control&) { presentResetAlert(); });
  // − and + under the list at its leading edge, the list's other buttons at its trailing edge.
  auto buttons = platform::StackView::make(
      platform::StackView::Orientation::Horizontal,
      {remove_, add_, std::make_shared<platform::SpacerView>(), setDefault_, reset_});
  view_->addArrangedSubview(buttons);

  restart_ = platform::CheckBox::withTitle("Restart the Timer When I Use My Computer");
  restart_->setAction([this](platform::Control&) {
    defaults_.set(kVGXRestartTimerOnActivityKey, restart_->isOn());
    reload();
  });
  view_->addArrangedSubview(restart_);
  caption_ = secondaryLine("");
  view_->addArrangedSubview(caption_);

  changes_ = platform::NotificationCenter::defaultCenter().addObserver(
      kDZLActivationDurationsDidChangeNotification, &controller_, nullptr,
      [this](const platform::Notification&) { reload(); });
  reload();
}

void DZLDurationSettingsViewController::selectRow(std::optional<std::size_t> row) {
  if (row && *row >= table_->rows().size()) row.reset();
  selected_ = row;
  reload();
}

void DZLDurationSettingsViewController::reload() {
  auto durations = controller_.activationDurations();
  auto chosen = controller_.defaultActivationDuration();
  if (selected_ && *selected_ >= durations.size()) selected_.reset();
  std::vector<platform::TableView::Row> rows;
  for (const auto& duration : durations) {
    const bool isDefault = chosen && *chosen == duration;
    rows.push_back({{duration.localizedTitle(), isDefault ? "Default" : ""}, isDefault});
  }
  table_->setRows(std::move(rows));
  table_->selectRow(selected_);
  auto controls = DZLDurationsPaneControls::forSelection(controller_, selected_);
  setDefault_->setEnabled(controls.setDefaultEnabled);
  remove_->setEnabled(controls.removeEnabled);
  add_->setEnabled(controls.addEnabled);

  bool forced = defaults_.objectIsForced(kVGXRestartTimerOnActivityKey);
  restart_->setState(defaults_.boolValue(kVGXRestartTimerOnActivityKey).value_or(false)
                         ? ControlStateValue::On
                         : ControlStateValue::Off);
  restart_->setEnabled(!forced);
  caption_->setStringValue(
      VGXSettingsFooter::compose(defaults_, {kVGXRestartTimerOnActivityKey},
                                 "Timed sessions count from the last time you used your computer.")
          .value_or(""));
  view_->setNeedsLayout(true);
}

void DZLDurationSettingsViewController::presentAddSheet() {
  auto window = window_.lock();
  if (!window || window->attachedSheet()) return;
  sheet_ = std::make_unique<DZLAddDurationViewController>(controller_);
  window->beginSheet(sheet_->window(), [this](platform::ModalResponse) { reload(); });
}

std::shared_ptr<platform::Window> DZLDurationSettingsViewController::resetAlertWindow() const {
  return alert_ && alert_->isPresented() ? alert_->window() : nullptr;
}

void DZLDurationSettingsViewController::presentResetAlert() {
  auto window = window_.lock();
  if (!window || window->attachedSheet()) return;
  alert_ = platform::Alert::make();
  alert_->setAlertStyle(platform::AlertStyle::Warning);
  alert_->setMessageText("Reset Durations");
  alert_->setInformativeText("Do you really want to reset the durations to the default values?");
  alert_->addButtonWithTitle("Reset Durations");
  alert_->addButtonWithTitle("Cancel");
  alert_->beginSheetModalForWindow(window, [this](platform::ModalResponse response) {
    if (response == platform::ModalResponse::AlertFirstButtonReturn) {
      controller_.resetActivationDurations();
    }
  });
}

}  // namespace vigilix
