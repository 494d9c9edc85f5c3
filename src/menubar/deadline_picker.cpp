#include "menubar/deadline_picker.h"

#include <algorithm>
#include <cmath>

#include "platform/base/format_placeholders.h"
#include "platform/base/localized.h"
#include "platform/base/shared_instances.h"
#include "platform/locale/date_components_formatter.h"
#include "platform/locale/date_formatter.h"
#include "platform/locale/locale.h"
#include "platform/runloop/clock.h"
#include "platform/runloop/weakly.h"
#include "platform/ui/application.h"
#include "platform/ui/number_formatter.h"

namespace vigilix {

using platform::CalendarUnit;
using platform::Color;
using platform::Control;
using platform::Date;
using platform::localized;
using platform::Rect;
using platform::TextField;

namespace {

constexpr double kPanelHeight = 160;
constexpr double kMargin = 20;
constexpr double kTextWidth = 340;
constexpr double kFieldWidth = 56;
constexpr double kUnitGap = 8;
constexpr double kButtonGap = 12;
constexpr double kMinimumButtonWidth = 80;

// The content is laid out from the top down.
class FlippedView : public platform::View {
 public:
  using View::View;
  bool isFlipped() const override { return true; }
};

Date now() { return platform::Clock::current().now(); }

int decimalDigits(int value) {
  int digits = 1;
  for (; value >= 10; value /= 10) ++digits;
  return digits;
}

std::shared_ptr<platform::NumberFormatter> wholeNumberFormatter(int maximum) {
  auto formatter = std::make_shared<platform::NumberFormatter>();
  formatter->setAllowsFloats(false);
  formatter->setMaximumFractionDigits(0);
  formatter->setMinimumIntegerDigits(1);
  formatter->setMaximumIntegerDigits(decimalDigits(maximum));
  return formatter;
}

std::shared_ptr<TextField> wrappingLabel(const std::string& text, const platform::Font& font,
                                         const Color& color) {
  auto label = TextField::labelWithString(text);
  label->setFont(font);
  label->setTextColor(color);
  label->setMaximumNumberOfLines(0);
  label->setPreferredMaxLayoutWidth(kTextWidth);
  return label;
}

std::int64_t clampInteger(std::int64_t value, std::int64_t low, std::int64_t high) {
  return std::clamp(value, low, high);
}

}  // namespace

void DurationFieldDelegate::controlTextDidChange(Control&) {
  if (auto owner = owner_.lock()) owner->refresh();
}

bool DurationFieldDelegate::controlTextViewDoCommandBySelector(Control& control,
                                                               platform::FieldEditor& textView,
                                                               platform::TextCommand command) {
  auto* field = dynamic_cast<TextField*>(&control);
  if (!field) return false;
  if (command != platform::TextCommand::MoveUp && command != platform::TextCommand::MoveDown) {
    return false;
  }
  auto owner = owner_.lock();
  if (!owner) return true;
  int maximum = 0;
  if (field == owner->hoursField_.get()) {
    maximum = VGXDeadlinePicker::kMaximumHours;
  } else if (field == owner->minutesField_.get()) {
    maximum = VGXDeadlinePicker::kMaximumMinutes;
  } else {
    return true;
  }
  std::int64_t step = command == platform::TextCommand::MoveUp ? 1 : -1;
  std::int64_t value =
      clampInteger(clampInteger(field->integerValue(), 0, maximum) + step, 0, maximum);
  textView.setString(std::to_string(value));
  textView.selectAll();
  owner->refresh();
  return true;
}

namespace {
constinit platform::SharedInstance<VGXDeadlinePicker> sharedPicker;
}  // namespace

std::shared_ptr<VGXDeadlinePicker> VGXDeadlinePicker::current() { return sharedPicker.existing(); }

void VGXDeadlinePicker::presentDuration(DurationHandler handler) {
  auto picker = sharedPicker.pointer();
  picker->present(true, std::move(handler), {},
                  localized("Custom Duration", "Title of the custom keep-awake duration panel"));
}

void VGXDeadlinePicker::presentUntil(UntilHandler handler) {
  auto picker = sharedPicker.pointer();
  picker->present(false, {}, std::move(handler),
                  localized("Keep Awake Until", "Title of the keep-awake-until panel"));
}

Date VGXDeadlinePicker::roundedUpToFiveMinutes(Date date, const platform::Calendar& calendar) {
  auto parts = calendar.componentsFromDate(CalendarUnit::year | CalendarUnit::month |
                                               CalendarUnit::day | CalendarUnit::hour |
                                               CalendarUnit::minute | CalendarUnit::second,
                                           date);
  if (!parts.minute || !parts.second) return date;
  int minute = *parts.minute;
  bool onMark = minute % 5 == 0 && *parts.second == 0;
  parts.second = 0;
  parts.nanosecond = 0;
  if (onMark) return calendar.dateFromComponents(parts).value_or(date);
  minute = (minute / 5 + 1) * 5;
  if (minute < 60) {
    parts.minute = minute;
    return calendar.dateFromComponents(parts).value_or(date);
  }
  parts.minute = 0;
  auto hourStart = calendar.dateFromComponents(parts);
  if (!hourStart) return date;
  return calendar.dateByAddingUnit(CalendarUnit::hour, 1, *hourStart).value_or(date);
}

std::optional<double> VGXDeadlinePicker::intervalOf(std::int64_t hours, std::int64_t minutes) {
  double interval = static_cast<double>(clampInteger(minutes, 0, kMaximumMinutes)) * 60 +
                    static_cast<double>(clampInteger(hours, 0, kMaximumHours)) * 3600;
  if (interval <= 0) return std::nullopt;
  return interval;
}

std::shared_ptr<DurationFieldDelegate> VGXDeadlinePicker::fieldDelegate() {
  if (!fieldDelegate_) fieldDelegate_ = std::make_shared<DurationFieldDelegate>(weak_from_this());
  return fieldDelegate_;
}

Control::Action VGXDeadlinePicker::action(void (VGXDeadlinePicker::*member)(Control&)) {
  return platform::weakly(this, member);
}

void VGXDeadlinePicker::present(bool duration, DurationHandler durationHandler,
                                UntilHandler untilHandler, const std::string& title) {
  bool modeChanged = duration != isDuration_;
  // The newest caller wins; an earlier one is never called.
  durationHandler_ = std::move(durationHandler);
  untilHandler_ = std::move(untilHandler);
  isDuration_ = duration;
  if (window_) {
    window_->setTitle(title);
    if (modeChanged) {
      dropControls();
      buildContent();
    } else {
      refresh();
    }
    show();
    return;
  }
  createPanel(title);
  buildContent();
  window_->center();
  show();
}

void VGXDeadlinePicker::createPanel(const std::string& title) {
  window_ = std::make_shared<platform::Window>(
      Rect(0, 0, kWidth, kPanelHeight),
      platform::WindowStyle::Titled | platform::WindowStyle::Closable);
  window_->setTitle(title);
  window_->setDelegate(shared_from_this());
  window_->setStandardWindowButtonHidden(platform::WindowButton::Miniaturize, true);
  window_->setStandardWindowButtonHidden(platform::WindowButton::Zoom, true);
}

void VGXDeadlinePicker::show() {
  auto& app = platform::Application::shared();
  if (platform::Application::isOperatingSystemAtLeast(14)) {
    app.activate();
  } else {
    app.activateIgnoringOtherApps(true);
  }
  window_->makeKeyAndOrderFront();
  window_->orderFrontRegardless();
  if (isDuration_) {
    window_->makeFirstResponder(hoursField_.get());
  } else {
    window_->makeFirstResponder(datePicker_.get());
  }
}

void VGXDeadlinePicker::dropControls() {
  if (container_) container_->removeFromSuperview();
  container_.reset();
  datePicker_.reset();
  hoursField_.reset();
  minutesField_.reset();
  hoursStepper_.reset();
  minutesStepper_.reset();
  hoursUnitLabel_.reset();
  minutesUnitLabel_.reset();
  errorLabel_.reset();
  startButton_.reset();
  cancelButton_.reset();
  if (window_) window_->setDefaultButton(nullptr);
}

void VGXDeadlinePicker::buildContent() {
  const auto systemFont = platform::Font::systemFont(platform::Font::systemFontSize());
  container_ = std::make_shared<FlippedView>(Rect(0, 0, kWidth, kPanelHeight));
  window_->contentView()->addSubview(container_);

  // Prompt.
  auto prompt = wrappingLabel(
      isDuration_
          ? localized("Keep your computer awake for:", "Prompt above the custom duration fields")
          : localized("Keep your computer awake until:",
                      "Prompt above the keep-awake-until date picker"),
      systemFont, Color::label());
  platform::Size promptSize = prompt->intrinsicContentSize();
  prompt->setFrame(
      Rect(kMargin, kMargin, std::min(promptSize.width, kTextWidth), promptSize.height));
  container_->addSubview(prompt);
  double y = prompt->frame().maxY() + 8;

  // The mode's controls, in one row.
  double rowHeight = 0;
  if (isDuration_) {
    auto makeField = [&](std::int64_t initial, int maximum, const char* label,
                         const char* comment) {
      auto field = TextField::textFieldWithString("");
      field->setFormatter(wholeNumberFormatter(maximum));
      field->setIntegerValue(initial);
      field->setFont(systemFont);
      field->setDelegate(fieldDelegate());
      field->setAccessibilityLabel(localized(label, comment));
      return field;
    };
    auto makeStepper = [&](int maximum, std::int64_t initial, const char* label,
                           const char* comment) {
      auto stepper = std::make_shared<platform::Stepper>();
      stepper->setMinValue(0);
      stepper->setMaxValue(maximum);
      stepper->setIncrement(1);
      stepper->setValueWraps(false);
      stepper->setIntegerValue(initial);
      stepper->setRefusesFirstResponder(false);
      stepper->setAccessibilityLabel(localized(label, comment));
      return stepper;
    };
    auto makeUnit = [&] {
      auto label = TextField::labelWithString("");
      label->setFont(systemFont);
      label->setTextColor(Color::label());
      return label;
    };
    hoursField_ = makeField(1, kMaximumHours, "Hours", "Accessibility label for the hours field");
    hoursField_->setAction(action(&VGXDeadlinePicker::durationFieldChanged));
    hoursStepper_ =
        makeStepper(kMaximumHours, 1, "Hours stepper", "Accessibility label for the hours stepper");
    hoursStepper_->setAction(action(&VGXDeadlinePicker::hoursStepperChanged));
    hoursUnitLabel_ = makeUnit();
    minutesField_ =
        makeField(0, kMaximumMinutes, "Minutes", "Accessibility label for the minutes field");
    minutesField_->setAction(action(&VGXDeadlinePicker::durationFieldChanged));
    minutesStepper_ = makeStepper(kMaximumMinutes, 0, "Minutes stepper",
                                  "Accessibility label for the minutes stepper");
    minutesStepper_->setAction(action(&VGXDeadlinePicker::minutesStepperChanged));
    minutesUnitLabel_ = makeUnit();

    // Unit labels are measured at their longest (plural) word.
    hoursUnitLabel_->setStringValue(localized("hours", "Plural hours unit after the hours field"));
    minutesUnitLabel_->setStringValue(
        localized("minutes", "Plural minutes unit after the minutes field"));
    rowHeight = hoursField_->intrinsicContentSize().height;
    double x = kMargin;
    auto place = [&](const std::shared_ptr<platform::View>& view, double width, double gap) {
      x += gap;
      double height = std::min(rowHeight, view->intrinsicContentSize().height);
      view->setFrame(Rect(x, y + (rowHeight - height) / 2, width, height));
      x += width;
      container_->addSubview(view);
    };
    place(hoursField_, kFieldWidth, 0);
    place(hoursStepper_, hoursStepper_->intrinsicContentSize().width, 0);
    place(hoursUnitLabel_, hoursUnitLabel_->intrinsicContentSize().width, kUnitGap);
    place(minutesField_, kFieldWidth, kUnitGap);
    place(minutesStepper_, minutesStepper_->intrinsicContentSize().width, 0);
    place(minutesUnitLabel_, minutesUnitLabel_->intrinsicContentSize().width, kUnitGap);
  } else {
    datePicker_ = std::make_shared<platform::DatePicker>();
    Date opened = now();
    datePicker_->setMinDate(opened);
    datePicker_->setDateValue(roundedUpToFiveMinutes(opened + 3600, platform::Calendar::current()));
    datePicker_->setAction(action(&VGXDeadlinePicker::untilDateChanged));
    datePicker_->setAccessibilityLabel(
        localized("Keep awake until", "Accessibility label for the keep-awake-until date picker"));
    platform::Size size = datePicker_->intrinsicContentSize();
    rowHeight = size.height;
    datePicker_->setFrame(
        Rect(kMargin, y, std::min(size.width, kWidth - 2 * kMargin), size.height));
    container_->addSubview(datePicker_);
  }
  y += rowHeight + 16;

  // Message.
  errorLabel_ = wrappingLabel("", platform::Font::systemFont(platform::Font::smallSystemFontSize()),
                              Color::secondaryLabel());
  errorLabel_->setFrame(Rect(kMargin, y, kTextWidth, errorLabel_->intrinsicContentSize().height));
  container_->addSubview(errorLabel_);
  y = errorLabel_->frame().maxY() + 16;

  // Buttons: Start at the right margin, Cancel to its left, equal widths.
  cancelButton_ = platform::Button::withTitle(localized("Cancel", "Cancel button"));
  cancelButton_->setKeyEquivalent(platform::KeyEquivalent::Escape);
  cancelButton_->setAction(action(&VGXDeadlinePicker::cancel));
  startButton_ =
      platform::Button::withTitle(localized("Start", "Start button for a keep-awake session"));
  startButton_->setKeyEquivalent(platform::KeyEquivalent::Return);
  startButton_->setAction(action(&VGXDeadlinePicker::start));
  double buttonWidth = std::max({kMinimumButtonWidth, cancelButton_->intrinsicContentSize().width,
                                 startButton_->intrinsicContentSize().width});
  double buttonHeight = startButton_->intrinsicContentSize().height;
  startButton_->setFrame(Rect(kWidth - kMargin - buttonWidth, y, buttonWidth, buttonHeight));
  cancelButton_->setFrame(
      Rect(std::max(kMargin, startButton_->frame().minX() - kButtonGap - buttonWidth), y,
           buttonWidth, buttonHeight));
  container_->addSubview(cancelButton_);
  container_->addSubview(startButton_);
  window_->setDefaultButton(startButton_);
  double fittingHeight = startButton_->frame().maxY() + kMargin;

  window_->layoutIfNeeded();
  window_->setContentSize(platform::Size{kWidth, fittingHeight});
  container_->setFrame(Rect(0, 0, kWidth, fittingHeight));

  // The key-view loop, set by hand.
  if (isDuration_) {
    hoursField_->setNextKeyView(hoursStepper_);
    hoursStepper_->setNextKeyView(minutesField_);
    minutesField_->setNextKeyView(minutesStepper_);
    minutesStepper_->setNextKeyView(cancelButton_);
    cancelButton_->setNextKeyView(startButton_);
    startButton_->setNextKeyView(hoursField_);
    window_->setInitialFirstResponder(hoursField_);
  } else {
    datePicker_->setNextKeyView(cancelButton_);
    cancelButton_->setNextKeyView(startButton_);
    startButton_->setNextKeyView(datePicker_);
    window_->setInitialFirstResponder(datePicker_);
  }
  refresh();
}

std::int64_t VGXDeadlinePicker::fieldValue(const std::shared_ptr<TextField>& field) const {
  return field ? field->integerValue() : 0;
}

void VGXDeadlinePicker::refresh() {
  if (!window_) return;
  Date current = now();
  if (isDuration_) {
    std::int64_t hours = fieldValue(hoursField_);
    std::int64_t minutes = fieldValue(minutesField_);
    std::int64_t clampedHours = clampInteger(hours, 0, kMaximumHours);
    std::int64_t clampedMinutes = clampInteger(minutes, 0, kMaximumMinutes);
    if (hoursStepper_) hoursStepper_->setIntegerValue(clampedHours);
    if (minutesStepper_) minutesStepper_->setIntegerValue(clampedMinutes);
    if (hoursUnitLabel_) {
      hoursUnitLabel_->setStringValue(
          hours == 1 ? localized("hour", "Singular hour unit after the hours field")
                     : localized("hours", "Plural hours unit after the hours field"));
    }
    if (minutesUnitLabel_) {
      minutesUnitLabel_->setStringValue(
          minutes == 1 ? localized("minute", "Singular minute unit after the minutes field")
                       : localized("minutes", "Plural minutes unit after the minutes field"));
    }
    if (!intervalOf(hours, minutes)) {
      showError(localized("Enter a duration greater than zero.",
                          "Inline validation for custom duration"));
      return;
    }
    showNote(endTimeText(current + static_cast<double>(clampedHours) * 3600 +
                             static_cast<double>(clampedMinutes) * 60,
                         current));
    return;
  }
  if (!datePicker_) return;
  Date chosen = datePicker_->dateValue();
  if (chosen > current) {
    platform::DateComponentsFormatter formatter;
    formatter.setUnitsStyle(platform::UnitsStyle::full);
    formatter.setAllowedUnits(CalendarUnit::day | CalendarUnit::hour | CalendarUnit::minute);
    formatter.setMaximumUnitCount(2);
    formatter.setCalendar(platform::Calendar::current());
    double rounded = std::ceil((chosen - current) / 60) * 60;
    showNote(
        platform::fillPlaceholders(localized("For %@", "How long the keep-awake session will last"),
                                   {formatter.stringFromTimeInterval(rounded).value_or("")}));
    return;
  }
  showError(localized("Choose a time in the future.",
                      "Inline validation for a past keep-awake deadline"));
}

std::string VGXDeadlinePicker::endTimeText(Date end, Date current) const {
  platform::Calendar calendar = platform::Calendar::current();
  platform::DateFormatter timeFormatter;
  timeFormatter.setLocale(platform::Locale::current());
  timeFormatter.setCalendar(calendar);
  timeFormatter.setLocalizedDateFormatFromTemplate("jmm");
  std::string time = timeFormatter.stringFromDate(end);
  if (calendar.isDateInToday(end, current)) {
    return platform::fillPlaceholders(localized("Until %@", "Keep-awake end time later today"),
                                      {time});
  }
  platform::DateFormatter dayFormatter;
  dayFormatter.setLocale(platform::Locale::current());
  dayFormatter.setCalendar(calendar);
  if (calendar.isDateInTomorrow(end, current)) {
    dayFormatter.setDateStyle(platform::DateFormatStyle::mediumStyle);
    dayFormatter.setTimeStyle(platform::DateFormatStyle::noStyle);
    dayFormatter.setRelativeDateFormatting(current);
    return platform::fillPlaceholders(localized("Until %@, %@", "Keep-awake end time tomorrow"),
                                      {dayFormatter.stringFromDate(end), time});
  }
  dayFormatter.setLocalizedDateFormatFromTemplate("EEE d MMM");
  return platform::fillPlaceholders(localized("Until %@, %@", "Keep-awake end time on a later day"),
                                    {dayFormatter.stringFromDate(end), time});
}

void VGXDeadlinePicker::showNote(const std::string& text) {
  lastAnnouncedError_.reset();
  errorLabel_->setStringValue(text);
  errorLabel_->setTextColor(Color::secondaryLabel());
  errorLabel_->setHidden(false);
  startButton_->setEnabled(true);
}

void VGXDeadlinePicker::showError(const std::string& text) {
  errorLabel_->setStringValue(text);
  errorLabel_->setTextColor(Color::systemRed());
  errorLabel_->setHidden(false);
  startButton_->setEnabled(false);
  if (lastAnnouncedError_ == text) return;
  lastAnnouncedError_ = text;
  platform::AccessibilityCenter::postAnnouncement(*errorLabel_, text,
                                                  platform::AccessibilityPriority::High);
}

void VGXDeadlinePicker::hoursStepperChanged(Control& sender) {
  if (hoursField_) hoursField_->setIntegerValue(sender.integerValue());
  refresh();
}

void VGXDeadlinePicker::minutesStepperChanged(Control& sender) {
  if (minutesField_) minutesField_->setIntegerValue(sender.integerValue());
  refresh();
}

void VGXDeadlinePicker::durationFieldChanged(Control&) { refresh(); }

void VGXDeadlinePicker::untilDateChanged(Control&) { refresh(); }

void VGXDeadlinePicker::cancel(Control&) {
  auto self = shared_from_this();
  if (window_) window_->close();
}

void VGXDeadlinePicker::start(Control&) {
  auto self = shared_from_this();  // closing drops the shared picker
  if (!window_) return;
  if (isDuration_) {
    auto interval = intervalOf(fieldValue(hoursField_), fieldValue(minutesField_));
    if (!interval) {
      refresh();
      return;
    }
    DurationHandler handler = std::move(durationHandler_);
    window_->close();
    if (handler) handler(*interval);
    return;
  }
  Date chosen = datePicker_ ? datePicker_->dateValue() : Date();
  if (!datePicker_ || !(chosen > now())) {
    refresh();
    return;
  }
  UntilHandler handler = std::move(untilHandler_);
  window_->close();
  if (handler) handler(chosen);
}

void VGXDeadlinePicker::windowWillClose(platform::Window& window) {
  if (window_.get() != &window) return;
  auto self = shared_from_this();
  window_->setDelegate(nullptr);
  dropControls();
  window_.reset();
  durationHandler_ = nullptr;
  untilHandler_ = nullptr;
  lastAnnouncedError_.reset();
  if (sharedPicker.existing().get() == this) sharedPicker.reset();
}

}  // namespace vigilix
