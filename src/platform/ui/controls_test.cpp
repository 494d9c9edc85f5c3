#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>

#include "platform/ui/button.h"
#include "platform/ui/check_box.h"
#include "platform/ui/date_picker.h"
#include "platform/ui/number_formatter.h"
#include "platform/ui/stepper.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"
#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix::platform {
namespace {

namespace ui = testing::ui;

class RecordingDelegate : public TextFieldDelegate {
 public:
  void controlTextDidChange(Control&) override { ++changes; }
  bool controlTextViewDoCommandBySelector(Control&, FieldEditor& editor,
                                          TextCommand command) override {
    commands.push_back(command);
    if (command != TextCommand::MoveUp) return false;
    editor.setString("42");
    editor.selectAll();
    return true;
  }
  int changes = 0;
  std::vector<TextCommand> commands;
};

class ControlsTest : public ::testing::Test {
 protected:
  ControlsTest() : window(std::make_shared<Window>(Rect(0, 0, 300, 200), WindowStyle::Titled)) {}

  std::shared_ptr<TextField> addField(const std::string& text, Rect frame) {
    auto field = TextField::textFieldWithString(text);
    field->setFrame(frame);
    window->contentView()->addSubview(field);
    return field;
  }

  testing::TestPlatform platform;
  std::shared_ptr<Window> window;
};

TEST_F(ControlsTest, TypingEditsTheFieldAndTellsTheDelegate) {
  auto field = addField("1", Rect(10, 10, 60, 22));
  auto delegate = std::make_shared<RecordingDelegate>();
  field->setDelegate(delegate);
  ASSERT_TRUE(window->makeFirstResponder(field.get()));
  ASSERT_NE(field->currentEditor(), nullptr);
  EXPECT_EQ(field->currentEditor()->selectedText(), "1");  // focus selects all

  ui::typeText(*window, "12");
  EXPECT_EQ(field->stringValue(), "12");
  EXPECT_EQ(field->integerValue(), 12);
  ui::pressKey(*window, KeyCode::Delete);
  EXPECT_EQ(field->stringValue(), "1");
  EXPECT_EQ(delegate->changes, 3);

  // A command the delegate takes is not also performed; a programmatic
  // change of the editor's text is not reported as typing.
  ui::pressKey(*window, KeyCode::UpArrow);
  EXPECT_EQ(field->stringValue(), "42");
  EXPECT_EQ(field->currentEditor()->selectedText(), "42");
  EXPECT_EQ(delegate->changes, 3);
  ui::pressKey(*window, KeyCode::DownArrow);
  EXPECT_EQ(delegate->commands,
            (std::vector<TextCommand>{TextCommand::DeleteBackward, TextCommand::MoveUp,
                                      TextCommand::MoveDown}));
}

TEST_F(ControlsTest, ReadsNumbersFromTheLeadingDigits) {
  using Row = std::tuple<const char*, std::int64_t, double>;  // text, whole, real
  for (auto [text, whole, real] :
       {Row{"  12abc", 12, 12}, Row{"-7", -7, -7}, Row{"2.5h", 2, 2.5}, Row{"abc", 0, 0},
        Row{"", 0, 0}, Row{"nan", 0, 0},
        Row{"99999999999999999999999", std::numeric_limits<std::int64_t>::max(), 1e23}}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Control::leadingInteger(text), whole);
    EXPECT_DOUBLE_EQ(Control::leadingDouble(text), real);
  }
}

// A label is as many lines high as its line breaks and wrapping make, within its limit.
TEST_F(ControlsTest, ALabelCountsItsLineBreaks) {
  const double line = std::ceil(Font::systemFont(Font::systemFontSize()).lineHeight());
  const struct {
    const char* name;
    std::string text;
    int maximumLines;
    double wrapWidth;
    int lines;
  } rows[] = {
      {"one line", "abc", 0, 0, 1},
      {"three hard lines", "{\n  \"a\": 1\n}", 0, 0, 3},
      {"a limit of two", "a\nb\nc", 2, 0, 2},
      {"a single-line label ignores breaks", "a\nb", 1, 0, 1},
      {"a long line wraps, then a short one", std::string(200, 'm') + "\nx", 0, 100, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    auto label = TextField::labelWithString(row.text);
    label->setMaximumNumberOfLines(row.maximumLines);
    label->setPreferredMaxLayoutWidth(row.wrapWidth);
    const Size size = label->intrinsicContentSize();
    if (row.lines > 0) {
      EXPECT_EQ(size.height, line * row.lines);
    } else {
      EXPECT_GT(size.height, line * 2);
      EXPECT_EQ(size.width, 100);
    }
  }
}

TEST_F(ControlsTest, FormatterWritesWholeNumbersWithinItsDigits) {
  auto formatter = std::make_shared<NumberFormatter>();
  formatter->setMaximumFractionDigits(0);
  formatter->setMinimumIntegerDigits(1);
  formatter->setMaximumIntegerDigits(3);
  for (auto [number, text] : {std::pair{0.0, "0"}, {7.6, "8"}, {999.0, "999"}, {1234.0, "234"}}) {
    EXPECT_EQ(formatter->stringFromNumber(number), text) << number;
  }
  auto field = addField("", Rect(0, 0, 56, 22));
  field->setFormatter(formatter);
  field->setIntegerValue(5);
  EXPECT_EQ(field->stringValue(), "5");
}

TEST_F(ControlsTest, ReturnGoesToAnEnabledDefaultButtonFirst) {
  auto field = addField("1", Rect(10, 100, 60, 22));
  int fieldActions = 0;
  field->setAction([&](Control&) { ++fieldActions; });
  auto start = Button::withTitle("Start");
  start->setFrame(Rect(200, 10, 80, 21));
  start->setKeyEquivalent(KeyEquivalent::Return);
  int starts = 0;
  start->setAction([&](Control&) { ++starts; });
  auto cancel = Button::withTitle("Cancel");
  cancel->setFrame(Rect(100, 10, 80, 21));
  cancel->setKeyEquivalent(KeyEquivalent::Escape);
  int cancels = 0;
  cancel->setAction([&](Control&) { ++cancels; });
  window->contentView()->addSubview(start);
  window->contentView()->addSubview(cancel);
  window->setDefaultButton(start);
  window->makeFirstResponder(field.get());

  ui::pressKey(*window, KeyCode::Return);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(fieldActions, 0);

  // A disabled default button lets Return through to the field.
  start->setEnabled(false);
  ui::pressKey(*window, KeyCode::Return);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(fieldActions, 1);

  // Escape reaches the button that has it as key equivalent, even with
  // modifiers that do not match: those leave it alone.
  ui::pressKey(*window, KeyCode::Escape, ModifierFlags::Shift);
  EXPECT_EQ(cancels, 0);
  ui::pressKey(*window, KeyCode::Escape);
  EXPECT_EQ(cancels, 1);
}

TEST_F(ControlsTest, TabFollowsTheKeyViewLoopSkippingViewsThatCannotTakeFocus) {
  auto a = addField("a", Rect(0, 0, 50, 22));
  auto b = addField("b", Rect(60, 0, 50, 22));
  auto c = addField("c", Rect(120, 0, 50, 22));
  a->setNextKeyView(b);
  b->setNextKeyView(c);
  c->setNextKeyView(a);
  b->setHidden(true);
  window->makeFirstResponder(a.get());
  ui::pressKey(*window, KeyCode::Tab);
  EXPECT_EQ(window->firstResponder(), c.get());
  EXPECT_EQ(a->currentEditor(), nullptr);  // leaving a field ends its editing
  ui::pressKey(*window, KeyCode::Tab);
  EXPECT_EQ(window->firstResponder(), a.get());
  ui::pressKey(*window, KeyCode::Tab, ModifierFlags::Shift);
  EXPECT_EQ(window->firstResponder(), c.get());
}

TEST_F(ControlsTest, ClickingAButtonNeedsPressAndReleaseInside) {
  auto button = Button::withTitle("OK");
  button->setFrame(Rect(10, 10, 80, 21));
  window->contentView()->addSubview(button);
  int clicks = 0;
  button->setAction([&](Control&) { ++clicks; });
  ui::click(*button);
  EXPECT_EQ(clicks, 1);
  ui::mouseDown(*button, Point{5, 5});
  ui::mouseUp(*button, Point{200, 5});  // released outside
  EXPECT_EQ(clicks, 1);
  button->setEnabled(false);
  ui::click(*button);
  EXPECT_FALSE(button->accessibilityPerformPress());
  EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, ACheckBoxFlipsBeforeItsActionAndNotWhileDisabled) {
  struct Row {
    const char* name;
    bool enabled;
    std::function<void(CheckBox&)> act;
    std::vector<bool> heard;
    bool on;
  };
  const Row rows[] = {
      {"a click turns it on", true, [](CheckBox& b) { ui::click(b); }, {true}, true},
      {"two clicks turn it off again",
       true,
       [](CheckBox& b) {
         ui::click(b);
         ui::click(b);
       },
       {true, false},
       false},
      {"the accessibility press clicks",
       true,
       [](CheckBox& b) { b.accessibilityPerformPress(); },
       {true},
       true},
      {"disabled: nothing", false, [](CheckBox& b) { ui::click(b); }, {}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto box = CheckBox::withTitle("Dim");
    box->setFrame(Rect(10, 40, 80, 18));
    box->setEnabled(row.enabled);
    window->contentView()->addSubview(box);
    std::vector<bool> heard;
    box->setAction(
        [&](Control& sender) { heard.push_back(static_cast<CheckBox&>(sender).isOn()); });
    row.act(*box);
    EXPECT_EQ(heard, row.heard);
    EXPECT_EQ(box->isOn(), row.on);
    EXPECT_EQ(box->accessibilityValue(), row.on ? "1" : "0");
    box->removeFromSuperview();
  }
}

TEST_F(ControlsTest, StepperStaysWithinBoundsAndSendsItsAction) {
  auto stepper = std::make_shared<Stepper>(Rect(0, 0, 15, 22));
  window->contentView()->addSubview(stepper);
  stepper->setMinValue(0);
  stepper->setMaxValue(2);
  stepper->setValueWraps(false);
  int actions = 0;
  stepper->setAction([&](Control&) { ++actions; });
  ui::stepUp(*stepper);
  ui::stepUp(*stepper);
  ui::stepUp(*stepper);
  EXPECT_EQ(stepper->integerValue(), 2);
  EXPECT_EQ(actions, 3);
  ui::stepDown(*stepper);
  EXPECT_EQ(stepper->integerValue(), 1);
  stepper->setIntegerValue(1000);
  EXPECT_EQ(stepper->integerValue(), 2);
  stepper->setValueWraps(true);
  ui::stepUp(*stepper);
  EXPECT_EQ(stepper->integerValue(), 0);
  stepper->setEnabled(false);
  ui::stepUp(*stepper);
  EXPECT_EQ(stepper->integerValue(), 0);
  EXPECT_EQ(actions, 5);
}

TEST_F(ControlsTest, DatePickerKeepsItsValueWithinItsBounds) {
  DatePicker picker;
  Date now = platform.now();
  picker.setMinDate(now);
  picker.setDateValue(now - 60);
  EXPECT_EQ(picker.dateValue(), now);
  int actions = 0;
  picker.setAction([&](Control&) { ++actions; });
  picker.chooseDate(now + 3600);
  EXPECT_EQ(picker.dateValue(), now + 3600);
  picker.setMinDate(now + 7200);  // a raised bound moves the value with it
  EXPECT_EQ(picker.dateValue(), now + 7200);
  EXPECT_EQ(actions, 1);
}

class ClosingDelegate : public WindowDelegate {
 public:
  void windowWillClose(Window& window) override {
    ++closes;
    wasVisible = window.isVisible();
    held.reset();  // drops the last reference while the window is closing
  }
  int closes = 0;
  bool wasVisible = false;
  std::shared_ptr<Window> held;
};

TEST_F(ControlsTest, CloseTellsTheDelegateFirstAndSurvivesItsRelease) {
  auto delegate = std::make_shared<ClosingDelegate>();
  std::weak_ptr<Window> weak;
  {
    auto w = std::make_shared<Window>(Rect(0, 0, 100, 100), WindowStyle::Titled);
    w->setDelegate(delegate);
    w->makeKeyAndOrderFront();
    delegate->held = w;
    weak = w;
  }
  ASSERT_FALSE(weak.expired());
  weak.lock()->performClose();  // not closable: nothing happens
  EXPECT_EQ(delegate->closes, 0);
  weak.lock()->close();
  EXPECT_EQ(delegate->closes, 1);
  EXPECT_TRUE(delegate->wasVisible);
  EXPECT_TRUE(weak.expired());
}

}  // namespace
}  // namespace vigilix::platform
