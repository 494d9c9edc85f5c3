#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "menubar/deadline_picker.h"
#include "platform/ui/window_rendering.h"
#include "testing/pinned_locale.h"
#include "testing/qt/test_screen.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::WindowRendering;
using ::testing::Contains;
using ::testing::ElementsAre;

platform::Date nineInTheMorning() {
  testing::PinnedLocale pin("en_GB", "Europe/London");
  return *platform::Calendar().dateFromComponents(
      {.year = 2026, .month = 1, .day = 5, .hour = 9, .minute = 0, .second = 0});
}

// The picker panel shown by the Qt renderer and used through its widgets.
class DeadlinePickerWindowTest : public ::testing::Test {
 public:
  DeadlinePickerWindowTest() : platform(nineInTheMorning()) {}
  ~DeadlinePickerWindowTest() override {
    if (auto picker = VGXDeadlinePicker::current(); picker && picker->window()) {
      picker->window()->close();
    }
  }

  platform::RenderedWindowWidget* dialog() {
    auto picker = VGXDeadlinePicker::current();
    return picker ? screen.dialogOf(picker->window().get()) : nullptr;
  }
  template <typename W, typename V>
  W* widget(const std::shared_ptr<V>& view) {
    return qobject_cast<W*>(dialog()->widgetFor(WindowRendering::idOf(view.get())));
  }

  testing::QtScreen screen;
  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_GB", "Europe/London"};
  std::vector<double> durations;
  std::vector<platform::Date> dates;
};

TEST_F(DeadlinePickerWindowTest, TypedDurationReachesTheCompletionThroughStart) {
  VGXDeadlinePicker::presentDuration([this](double seconds) { durations.push_back(seconds); });
  auto picker = VGXDeadlinePicker::current();
  ASSERT_TRUE(dialog());
  EXPECT_TRUE(dialog()->isVisible());
  EXPECT_EQ(dialog()->windowTitle(), "Custom Duration");

  // The hours field has the focus and its text selected: typing replaces it.
  QTest::keyClicks(widget<QLineEdit>(picker->hoursField()), "2");
  QTest::mouseClick(widget<QLineEdit>(picker->minutesField()), Qt::LeftButton);
  QTest::keyClicks(widget<QLineEdit>(picker->minutesField()), "30");
  EXPECT_EQ(widget<QLineEdit>(picker->hoursField())->text(), "2");
  EXPECT_EQ(widget<QLineEdit>(picker->minutesField())->text(), "30");
  EXPECT_EQ(widget<QLabel>(picker->errorLabel())->text(), "Until 11:30");

  QImage shot = testing::saveScreenshot(dialog(), "deadline_picker_duration");
  EXPECT_EQ(shot.size(), dialog()->size());
  auto texts = testing::accessibleTexts(dialog());
  for (const char* text : {"Keep your computer awake for:", "Hours", "Minutes", "hours", "minutes",
                           "Until 11:30", "Cancel", "Start"}) {
    EXPECT_THAT(texts, Contains(text));
  }

  QTest::mouseClick(widget<QPushButton>(picker->startButton()), Qt::LeftButton);
  EXPECT_THAT(durations, ElementsAre(2 * 3600 + 30 * 60));
  EXPECT_EQ(VGXDeadlinePicker::current(), nullptr);
  EXPECT_EQ(screen.dialogOf(picker->window().get()), nullptr);
}

TEST_F(DeadlinePickerWindowTest, KeysAndButtonsFollowTheModel) {
  struct Row {
    const char* name;
    std::function<void(DeadlinePickerWindowTest&, VGXDeadlinePicker&)> act;
    std::vector<double> durations;
    bool stillOpen;
  };
  const Row rows[] = {
      {"Return presses the default button",
       [](auto& t, auto& p) {
         QTest::keyClick(t.template widget<QLineEdit>(p.hoursField()), Qt::Key_Return);
       },
       {3600},
       false},
      {"Escape presses Cancel",
       [](auto& t, auto& p) {
         QTest::keyClick(t.template widget<QLineEdit>(p.hoursField()), Qt::Key_Escape);
       },
       {},
       false},
      {"the close button closes the panel", [](auto& t, auto&) { t.dialog()->close(); }, {}, false},
      {"the up arrow steps the field through the model's delegate",
       [](auto& t, auto& p) {
         QTest::keyClick(t.template widget<QLineEdit>(p.hoursField()), Qt::Key_Up);
         QTest::keyClick(t.template widget<QLineEdit>(p.hoursField()), Qt::Key_Return);
       },
       {2 * 3600},
       false},
      {"a click on the stepper's upper half steps up",
       [](auto& t, auto& p) {
         QWidget* stepper = t.dialog()->widgetFor(WindowRendering::idOf(p.minutesStepper().get()));
         QTest::mouseClick(stepper, Qt::LeftButton, {}, QPoint(stepper->width() / 2, 2));
         QTest::mouseClick(t.template widget<QPushButton>(p.startButton()), Qt::LeftButton);
       },
       {3600 + 60},
       false},
      {"a zero duration disables Start and shows why",
       [](auto& t, auto& p) {
         QTest::keyClicks(t.template widget<QLineEdit>(p.hoursField()), "0");
         EXPECT_FALSE(t.template widget<QPushButton>(p.startButton())->isEnabled());
         EXPECT_EQ(t.template widget<QLabel>(p.errorLabel())->text(),
                   "Enter a duration greater than zero.");
         QTest::mouseClick(t.template widget<QPushButton>(p.startButton()), Qt::LeftButton);
       },
       {},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    durations.clear();
    VGXDeadlinePicker::presentDuration([this](double seconds) { durations.push_back(seconds); });
    auto picker = VGXDeadlinePicker::current();
    ASSERT_TRUE(dialog());
    row.act(*this, *picker);
    EXPECT_EQ(durations, row.durations);
    EXPECT_EQ(VGXDeadlinePicker::current() != nullptr, row.stillOpen);
    if (auto open = VGXDeadlinePicker::current()) open->window()->close();
    platform.runUntilIdle();  // the closed dialogs are deleted
  }
}

TEST_F(DeadlinePickerWindowTest, DateChosenInTheEditorIsTheDeadline) {
  VGXDeadlinePicker::presentUntil([this](platform::Date date) { dates.push_back(date); });
  auto picker = VGXDeadlinePicker::current();
  auto* editor = widget<QDateTimeEdit>(picker->datePicker());
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->dateTime().toMSecsSinceEpoch() / 1000,
            static_cast<qint64>(picker->datePicker()->dateValue().timeIntervalSince1970()));
  editor->setDateTime(editor->dateTime().addSecs(30 * 60));
  EXPECT_EQ(picker->datePicker()->dateValue(), nineInTheMorning() + 90 * 60);
  EXPECT_EQ(widget<QLabel>(picker->errorLabel())->text(), "For 1 hour, 30 minutes");

  QImage shot = testing::saveScreenshot(dialog(), "deadline_picker_until");
  EXPECT_EQ(shot.size(), dialog()->size());
  EXPECT_THAT(testing::accessibleTexts(dialog()), Contains("Keep your computer awake until:"));

  QTest::mouseClick(widget<QPushButton>(picker->startButton()), Qt::LeftButton);
  EXPECT_THAT(dates, ElementsAre(nineInTheMorning() + 90 * 60));
}

}  // namespace
}  // namespace vigilix
