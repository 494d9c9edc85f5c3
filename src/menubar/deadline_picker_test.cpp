#include "menubar/deadline_picker.h"

#include <gtest/gtest.h>

#include "platform/ui/application.h"
#include "testing/pinned_locale.h"
#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

using platform::Calendar;
using platform::Date;
namespace KeyCode = platform::KeyCode;
namespace ui = testing::ui;

constexpr const char* kZeroDuration = "Enter a duration greater than zero.";
constexpr const char* kPastDeadline = "Choose a time in the future.";

// London local time on a day of January 2026 (UTC there in winter).
Date london(int hour, int minute, int second = 0, int day = 5, int month = 1) {
  testing::PinnedLocale pin("en_GB", "Europe/London");
  return *Calendar().dateFromComponents(
      {.year = 2026, .month = month, .day = day, .hour = hour, .minute = minute, .second = second});
}

class DeadlinePickerTest : public ::testing::Test {
 protected:
  DeadlinePickerTest() : platform(london(9, 0)) {}

  std::shared_ptr<VGXDeadlinePicker> openDuration() {
    VGXDeadlinePicker::presentDuration([this](double seconds) { durations.push_back(seconds); });
    return VGXDeadlinePicker::current();
  }
  std::shared_ptr<VGXDeadlinePicker> openUntil() {
    VGXDeadlinePicker::presentUntil([this](Date date) { dates.push_back(date); });
    return VGXDeadlinePicker::current();
  }
  platform::Window& window() { return *VGXDeadlinePicker::current()->window(); }
  std::string message() { return VGXDeadlinePicker::current()->errorLabel()->stringValue(); }
  bool messageIsError() {
    return VGXDeadlinePicker::current()->errorLabel()->textColor() == platform::Color::systemRed();
  }
  bool startEnabled() { return VGXDeadlinePicker::current()->startButton()->isEnabled(); }
  void typeHours(const std::string& text) {
    window().makeFirstResponder(VGXDeadlinePicker::current()->hoursField().get());
    ui::replaceText(window(), text);
  }
  void typeMinutes(const std::string& text) {
    window().makeFirstResponder(VGXDeadlinePicker::current()->minutesField().get());
    ui::replaceText(window(), text);
  }

  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_GB", "Europe/London"};
  testing::AccessibilityCapture accessibility;
  std::vector<double> durations;
  std::vector<Date> dates;
};

TEST_F(DeadlinePickerTest, DurationModeOpensWithOneHourAndItsEndTime) {
  auto picker = openDuration();
  ASSERT_TRUE(picker);
  auto& panel = *picker->window();
  EXPECT_EQ(panel.title(), "Custom Duration");
  EXPECT_EQ(panel.contentRect().width(), 380);
  EXPECT_EQ(panel.styleMask(), platform::WindowStyle::Titled | platform::WindowStyle::Closable);
  EXPECT_TRUE(panel.isStandardWindowButtonHidden(platform::WindowButton::Miniaturize));
  EXPECT_TRUE(panel.isStandardWindowButtonHidden(platform::WindowButton::Zoom));
  EXPECT_TRUE(panel.isKeyWindow());
  EXPECT_TRUE(panel.isVisible());
  EXPECT_EQ(panel.defaultButton(), picker->startButton());
  EXPECT_EQ(platform::Application::shared().activationRequests().back(),
            platform::Application::Activation::Plain);

  EXPECT_EQ(picker->hoursField()->stringValue(), "1");
  EXPECT_EQ(picker->minutesField()->stringValue(), "0");
  EXPECT_EQ(picker->hoursField()->formatter()->maximumIntegerDigits(), 3);
  EXPECT_EQ(picker->minutesField()->formatter()->maximumIntegerDigits(), 2);
  EXPECT_EQ(picker->hoursUnitLabel()->stringValue(), "hour");
  EXPECT_EQ(picker->minutesUnitLabel()->stringValue(), "minutes");
  EXPECT_EQ(message(), "Until 10:00");
  EXPECT_FALSE(messageIsError());
  EXPECT_TRUE(startEnabled());
  EXPECT_EQ(panel.firstResponder(), picker->hoursField().get());
  EXPECT_FALSE(picker->datePicker());
}

TEST_F(DeadlinePickerTest, OlderSystemsActivateIgnoringOtherApps) {
  platform::Application::setOperatingSystemVersion({13, 6, 0});
  openDuration();
  EXPECT_EQ(platform::Application::shared().activationRequests().back(),
            platform::Application::Activation::IgnoringOtherApps);
}

TEST_F(DeadlinePickerTest, TabWalksTheKeyViewLoop) {
  auto picker = openDuration();
  std::vector<platform::Responder*> visited;
  for (int i = 0; i < 6; ++i) {
    ui::pressKey(window(), KeyCode::Tab);
    visited.push_back(window().firstResponder());
  }
  EXPECT_EQ(visited, (std::vector<platform::Responder*>{
                         picker->hoursStepper().get(), picker->minutesField().get(),
                         picker->minutesStepper().get(), picker->cancelButton().get(),
                         picker->startButton().get(), picker->hoursField().get()}));
}

TEST_F(DeadlinePickerTest, AZeroDurationIsRefusedAndEachDistinctErrorAnnouncedOnce) {
  auto picker = openDuration();
  typeHours("0");
  EXPECT_EQ(message(), kZeroDuration);
  EXPECT_TRUE(messageIsError());
  EXPECT_FALSE(startEnabled());
  typeMinutes("0");  // the same error again: not announced again
  typeMinutes("00");
  auto announced = accessibility.announcements();
  ASSERT_EQ(announced.size(), 1u);
  EXPECT_EQ(announced[0].announcement, kZeroDuration);
  EXPECT_EQ(announced[0].priority, platform::AccessibilityPriority::High);
  EXPECT_EQ(announced[0].element, picker->errorLabel().get());

  typeMinutes("5");
  EXPECT_EQ(message(), "Until 09:05");
  EXPECT_FALSE(messageIsError());
  EXPECT_TRUE(startEnabled());
  typeMinutes("0");  // after a valid value the error is news again
  EXPECT_EQ(accessibility.announcements().size(), 2u);

  // Return reaches the disabled Start as nothing; the panel stays open.
  ui::pressKey(window(), KeyCode::Return);
  picker->start(*picker->startButton());
  EXPECT_TRUE(durations.empty());
  EXPECT_TRUE(window().isVisible());
  EXPECT_EQ(message(), kZeroDuration);
}

TEST_F(DeadlinePickerTest, ValuesBeyondTheLimitsCountAsTheLimits) {
  auto picker = openDuration();
  typeHours("1000");
  EXPECT_EQ(picker->hoursField()->stringValue(), "1000");  // left as typed
  EXPECT_EQ(picker->hoursStepper()->integerValue(), 999);
  // 999 hours after Monday 5 January 09:00 is Monday 16 February 00:00.
  EXPECT_EQ(message(), "Until Mon, 16 Feb, 00:00");
  typeMinutes("75");
  EXPECT_EQ(picker->minutesStepper()->integerValue(), 59);
  ui::pressKey(window(), KeyCode::Return);
  EXPECT_EQ(durations, std::vector<double>{999 * 3600.0 + 59 * 60.0});
}

TEST_F(DeadlinePickerTest, UnitWordsAreSingularOnlyForExactlyOne) {
  auto picker = openDuration();
  typeMinutes("1");
  EXPECT_EQ(picker->minutesUnitLabel()->stringValue(), "minute");
  typeMinutes("2");
  EXPECT_EQ(picker->minutesUnitLabel()->stringValue(), "minutes");
  typeHours("0");
  EXPECT_EQ(picker->hoursUnitLabel()->stringValue(), "hours");
  typeHours("2");
  EXPECT_EQ(picker->hoursUnitLabel()->stringValue(), "hours");
  typeHours("1");
  EXPECT_EQ(picker->hoursUnitLabel()->stringValue(), "hour");
}

TEST_F(DeadlinePickerTest, ArrowKeysStepTheFieldWithinItsRange) {
  auto picker = openDuration();
  ui::pressKey(window(), KeyCode::UpArrow);
  EXPECT_EQ(picker->hoursField()->stringValue(), "2");
  EXPECT_EQ(picker->hoursField()->currentEditor()->selectedText(), "2");
  EXPECT_EQ(message(), "Until 11:00");
  ui::pressKey(window(), KeyCode::DownArrow);
  ui::pressKey(window(), KeyCode::DownArrow);
  ui::pressKey(window(), KeyCode::DownArrow);
  EXPECT_EQ(picker->hoursField()->stringValue(), "0");
  EXPECT_EQ(message(), kZeroDuration);

  typeHours("1000");
  ui::pressKey(window(), KeyCode::UpArrow);  // clamped first, then stepped and clamped
  EXPECT_EQ(picker->hoursField()->stringValue(), "999");

  typeMinutes("59");
  ui::pressKey(window(), KeyCode::UpArrow);
  EXPECT_EQ(picker->minutesField()->stringValue(), "59");
  ui::pressKey(window(), KeyCode::DownArrow);
  EXPECT_EQ(picker->minutesField()->stringValue(), "58");
  EXPECT_EQ(picker->minutesStepper()->integerValue(), 58);
}

TEST(DurationFieldDelegate, ReportsArrowKeysHandledInAnyTextFieldEvenWithoutItsOwner) {
  testing::TestPlatform platform;
  DurationFieldDelegate orphan{std::weak_ptr<VGXDeadlinePicker>()};
  auto field = platform::TextField::textFieldWithString("5");
  ASSERT_TRUE(field->becomeFirstResponder());
  auto& editor = *field->currentEditor();
  EXPECT_TRUE(
      orphan.controlTextViewDoCommandBySelector(*field, editor, platform::TextCommand::MoveUp));
  EXPECT_TRUE(
      orphan.controlTextViewDoCommandBySelector(*field, editor, platform::TextCommand::MoveDown));
  EXPECT_EQ(field->stringValue(), "5");  // nothing to step without the picker
  EXPECT_FALSE(
      orphan.controlTextViewDoCommandBySelector(*field, editor, platform::TextCommand::InsertTab));
  platform::Stepper stepper;
  EXPECT_FALSE(
      orphan.controlTextViewDoCommandBySelector(stepper, editor, platform::TextCommand::MoveUp));
}

TEST_F(DeadlinePickerTest, SteppersCopyTheirValueIntoTheFields) {
  auto picker = openDuration();
  ui::stepUp(*picker->minutesStepper());
  EXPECT_EQ(picker->minutesField()->stringValue(), "1");
  EXPECT_EQ(picker->minutesUnitLabel()->stringValue(), "minute");
  EXPECT_EQ(message(), "Until 10:01");
  ui::stepDown(*picker->hoursStepper());
  ui::stepDown(*picker->hoursStepper());  // stays at 0: no wrapping
  EXPECT_EQ(picker->hoursField()->stringValue(), "0");
  EXPECT_EQ(message(), "Until 09:01");
}

TEST_F(DeadlinePickerTest, EndTimesTomorrowAndLaterNameTheDay) {
  openDuration();
  typeHours("20");
  EXPECT_EQ(message(), "Until tomorrow, 05:00");
  typeHours("48");
  EXPECT_EQ(message(), "Until Wed, 7 Jan, 09:00");
}

TEST(DeadlinePickerAmerican, EndTimesUseTheTwelveHourClockAndMonthFirstDates) {
  Date nineAm = [] {
    testing::PinnedLocale pin("en_US", "America/New_York");
    return *Calendar().dateFromComponents({.year = 2026, .month = 1, .day = 5, .hour = 9});
  }();
  testing::TestPlatform platform(nineAm);
  testing::PinnedLocale pin("en_US", "America/New_York");
  VGXDeadlinePicker::presentDuration([](double) {});
  auto picker = VGXDeadlinePicker::current();
  auto& panel = *picker->window();
  EXPECT_EQ(picker->errorLabel()->stringValue(), "Until 10:00 AM");
  panel.makeFirstResponder(picker->hoursField().get());
  ui::replaceText(panel, "20");
  EXPECT_EQ(picker->errorLabel()->stringValue(), "Until tomorrow, 5:00 AM");
  ui::replaceText(panel, "48");
  EXPECT_EQ(picker->errorLabel()->stringValue(), "Until Wed, Jan 7, 9:00 AM");
  panel.close();
}

TEST_F(DeadlinePickerTest, StartReportsTheLengthClosesAndForgetsThePicker) {
  auto picker = openDuration();
  typeMinutes("30");
  ui::click(*picker->startButton());
  EXPECT_EQ(durations, std::vector<double>{5400});
  EXPECT_FALSE(VGXDeadlinePicker::current());
  EXPECT_FALSE(picker->window());
  EXPECT_FALSE(picker->hoursField());

  // The next one starts afresh.
  auto next = openDuration();
  EXPECT_NE(next, picker);
  EXPECT_EQ(next->minutesField()->stringValue(), "0");
  EXPECT_EQ(next->hoursField()->stringValue(), "1");
}

TEST_F(DeadlinePickerTest, EscapeAndTheCloseButtonCancelWithoutCallingTheHandler) {
  openDuration();
  ui::pressKey(window(), KeyCode::Escape);
  EXPECT_FALSE(VGXDeadlinePicker::current());
  openUntil();
  window().performClose();
  EXPECT_FALSE(VGXDeadlinePicker::current());
  EXPECT_TRUE(durations.empty());
  EXPECT_TRUE(dates.empty());
}

TEST_F(DeadlinePickerTest, ThePanelTurnsIntoTheOtherModeAndTheNewestHandlerWins) {
  auto picker = openDuration();
  auto panel = picker->window();
  openUntil();
  EXPECT_EQ(VGXDeadlinePicker::current(), picker);
  EXPECT_EQ(picker->window(), panel);
  EXPECT_EQ(panel->title(), "Keep Awake Until");
  EXPECT_FALSE(picker->hoursField());
  ASSERT_TRUE(picker->datePicker());
  EXPECT_EQ(panel->firstResponder(), picker->datePicker().get());
  ui::pressKey(*panel, KeyCode::Return);
  EXPECT_EQ(dates.size(), 1u);
  EXPECT_TRUE(durations.empty());
}

TEST_F(DeadlinePickerTest, PresentingTheSameModeAgainKeepsTheTypedValues) {
  openDuration();
  typeHours("3");
  std::vector<double> later;
  VGXDeadlinePicker::presentDuration([&](double seconds) { later.push_back(seconds); });
  EXPECT_EQ(VGXDeadlinePicker::current()->hoursField()->stringValue(), "3");
  ui::pressKey(window(), KeyCode::Return);
  EXPECT_EQ(later, std::vector<double>{10800});
  EXPECT_TRUE(durations.empty());
}

TEST(DeadlinePickerUntil, ProposesAnHourAheadRoundedUpToFiveMinutes) {
  struct Case {
    Date opened;
    Date proposed;
  };
  for (const Case& c :
       {Case{london(10, 2, 30), london(11, 5)}, Case{london(10, 55), london(11, 55)},
        Case{london(10, 57), london(12, 0)}}) {
    testing::TestPlatform platform(c.opened);
    testing::PinnedLocale pin("en_GB", "Europe/London");
    VGXDeadlinePicker::presentUntil([](Date) {});
    auto picker = VGXDeadlinePicker::current();
    EXPECT_EQ(picker->datePicker()->dateValue(), c.proposed);
    EXPECT_EQ(picker->datePicker()->minDate(), c.opened);
  }
}

TEST_F(DeadlinePickerTest, UntilModeShowsTheLengthAndRefusesThePast) {
  auto picker = openUntil();
  EXPECT_EQ(window().title(), "Keep Awake Until");
  EXPECT_EQ(message(), "For 1 hour");
  picker->datePicker()->chooseDate(london(11, 30, 20));
  EXPECT_EQ(message(), "For 2 hours, 31 minutes");  // rounded up to whole minutes

  // The panel stays open while the chosen time goes by.
  platform.advanceClockWithoutRunning(3 * 3600);
  picker->datePicker()->chooseDate(london(11, 30, 20));
  EXPECT_EQ(message(), kPastDeadline);
  EXPECT_TRUE(messageIsError());
  EXPECT_FALSE(startEnabled());
  picker->start(*picker->startButton());
  EXPECT_TRUE(dates.empty());
  ASSERT_EQ(accessibility.announcements().size(), 1u);

  // A later time, not on a five-minute mark, is reported unchanged.
  picker->datePicker()->chooseDate(london(13, 7, 13));
  EXPECT_TRUE(startEnabled());
  ui::pressKey(window(), KeyCode::Return);
  EXPECT_EQ(dates, std::vector<Date>{london(13, 7, 13)});
}

TEST(DeadlinePickerRounding, RoundsUpAcrossHoursDaysAndClockChanges) {
  testing::PinnedLocale pin("en_GB", "Europe/London");
  Calendar calendar;
  auto round = [&](Date d) { return VGXDeadlinePicker::roundedUpToFiveMinutes(d, calendar); };
  EXPECT_EQ(round(london(10, 2, 30)), london(10, 5));
  EXPECT_EQ(round(london(10, 55)), london(10, 55));
  EXPECT_EQ(round(london(10, 55) + 0.5), london(10, 55));  // the fraction of a second goes
  EXPECT_EQ(round(london(10, 55, 1)), london(11, 0));
  EXPECT_EQ(round(london(23, 58)), london(0, 0, 0, 6));
  // 00:57 on the night the clocks go forward: one hour after 00:00 GMT,
  // which reads 02:00 BST.
  EXPECT_EQ(round(london(0, 57, 0, 29, 3)), london(0, 0, 0, 29, 3) + 3600);
}

TEST(DeadlinePickerInterval, ClampsBothFieldsAndRefusesZero) {
  EXPECT_FALSE(VGXDeadlinePicker::intervalOf(0, 0));
  EXPECT_FALSE(VGXDeadlinePicker::intervalOf(-3, -1));
  EXPECT_EQ(VGXDeadlinePicker::intervalOf(0, 1), 60);
  EXPECT_EQ(VGXDeadlinePicker::intervalOf(1000, 75), 999 * 3600.0 + 59 * 60.0);
}

}  // namespace
}  // namespace vigilix
