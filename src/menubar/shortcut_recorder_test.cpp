#include "menubar/shortcut_recorder.h"

#include <gtest/gtest.h>

#include "platform/ui/button.h"
#include "platform/ui/event.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"
#include "testing/test_platform.h"
#include "testing/ui_driver.h"

namespace vigilix {
namespace {

using platform::Event;
namespace Flags = platform::ModifierFlags;
namespace ui = testing::ui;

constexpr std::uint16_t kK = 40;

// Catches the keys the recorder hands on.
class KeyCatcher : public platform::View {
 public:
  using View::View;
  void keyDown(const Event& event) override { passedOn.push_back(event.keyCode); }
  std::vector<std::uint16_t> passedOn;
};

class ShortcutRecorderTest : public ::testing::Test {
 protected:
  ShortcutRecorderTest()
      : window(std::make_shared<platform::Window>(platform::Rect(0, 0, 300, 100),
                                                  platform::WindowStyle::Titled)),
        catcher(std::make_shared<KeyCatcher>(platform::Rect(0, 0, 300, 100))),
        recorder(std::make_shared<VGXShortcutRecorderNSView>(platform::Rect(20, 20, 160, 28))) {
    window->contentView()->addSubview(catcher);
    catcher->addSubview(recorder);
    recorder->setOnStart([this] { events.push_back("start"); });
    recorder->setOnCancel([this] { events.push_back("cancel"); });
    recorder->setOnSet([this](std::uint16_t keyCode, std::uint64_t modifiers) {
      events.push_back("set");
      recorded = VGXShortcut{keyCode, modifiers};
    });
    window->makeFirstResponder(recorder.get());
  }

  void key(std::uint16_t keyCode, std::uint64_t modifiers = 0) {
    ui::pressKey(*window, keyCode, modifiers);
  }
  std::string drawnText() {
    auto texts = recorder->display().commandsOf<platform::DrawText>();
    return texts.size() == 1 ? texts[0].text : "<" + std::to_string(texts.size()) + " texts>";
  }

  testing::TestPlatform platform;
  std::shared_ptr<platform::Window> window;
  std::shared_ptr<KeyCatcher> catcher;
  std::shared_ptr<VGXShortcutRecorderNSView> recorder;
  std::vector<std::string> events;
  std::optional<VGXShortcut> recorded;
};

TEST_F(ShortcutRecorderTest, IdleKeysGoOnExceptSpaceAndReturnWhichStartRecording) {
  key(kK);
  EXPECT_EQ(catcher->passedOn, (std::vector<std::uint16_t>{kK}));
  EXPECT_FALSE(recorder->isRecording());
  EXPECT_TRUE(events.empty());

  key(platform::KeyCode::Space);
  EXPECT_TRUE(recorder->isRecording());
  EXPECT_EQ(events, (std::vector<std::string>{"start"}));
  EXPECT_EQ(drawnText(), "Type shortcut");

  recorder->setRecording(false);
  key(platform::KeyCode::Return);
  EXPECT_TRUE(recorder->isRecording());
  EXPECT_EQ(catcher->passedOn.size(), 1u);
}

TEST_F(ShortcutRecorderTest, RecordingTakesOnlyKeysWithAModifier) {
  ui::click(*recorder);
  ASSERT_TRUE(recorder->isRecording());
  key(kK);
  key(platform::KeyCode::Space);
  key(platform::KeyCode::Return);
  EXPECT_TRUE(recorder->isRecording());
  EXPECT_FALSE(recorded);
  EXPECT_TRUE(catcher->passedOn.empty());  // swallowed, not passed on

  key(kK, Flags::Command | Flags::CapsLock | Flags::NumericPad | Flags::Function);
  EXPECT_FALSE(recorder->isRecording());
  EXPECT_EQ(recorded, (VGXShortcut{kK, 0x100000}));
  EXPECT_EQ(events, (std::vector<std::string>{"start", "set"}));

  // Function keys and Space count too once a modifier is held.
  recorder->accessibilityPerformPress();
  key(96, Flags::Shift | Flags::Option);
  EXPECT_EQ(recorded, (VGXShortcut{96, Flags::Shift | Flags::Option}));
  recorder->accessibilityPerformPress();
  key(platform::KeyCode::Space, Flags::Control);
  EXPECT_EQ(recorded, (VGXShortcut{platform::KeyCode::Space, Flags::Control}));
}

TEST_F(ShortcutRecorderTest, EscapeAlwaysCancelsEvenWithModifiers) {
  ui::click(*recorder);
  key(platform::KeyCode::Escape, Flags::Shift | Flags::Option);
  EXPECT_FALSE(recorder->isRecording());
  EXPECT_FALSE(recorded);
  EXPECT_EQ(events, (std::vector<std::string>{"start", "cancel"}));
  key(platform::KeyCode::Escape);  // idle: cancels again, not passed on
  EXPECT_EQ(events.back(), "cancel");
  EXPECT_TRUE(catcher->passedOn.empty());
}

TEST_F(ShortcutRecorderTest, StartingMakesTheRecorderFirstResponder) {
  window->makeFirstResponder(nullptr);
  EXPECT_TRUE(recorder->accessibilityPerformPress());
  EXPECT_EQ(window->firstResponder(), recorder.get());
  // Out of any window it still records.
  VGXShortcutRecorderNSView loose;
  EXPECT_TRUE(loose.accessibilityPerformPress());
  EXPECT_TRUE(loose.isRecording());
}

TEST_F(ShortcutRecorderTest, DrawsABoxWithTheTextCentred) {
  auto context = recorder->display();
  auto fills = context.commandsOf<platform::FillRoundedRect>();
  auto strokes = context.commandsOf<platform::StrokeRoundedRect>();
  ASSERT_EQ(fills.size(), 1u);
  ASSERT_EQ(strokes.size(), 1u);
  EXPECT_EQ(fills[0].rect, platform::Rect(0.5, 0.5, 159, 27));
  EXPECT_EQ(fills[0].radiusX, 6);
  EXPECT_EQ(fills[0].radiusY, 6);
  EXPECT_EQ(fills[0].color, platform::Color::controlBackground());
  EXPECT_EQ(strokes[0].color, platform::Color::separator());
  auto texts = context.commandsOf<platform::DrawText>();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, "Record Shortcut");
  auto font = platform::Font::systemFont(platform::Font::smallSystemFontSize());
  EXPECT_EQ(texts[0].font, font);
  platform::Size size = font.sizeOfText("Record Shortcut");
  EXPECT_EQ(texts[0].origin, (platform::Point{(160 - size.width) / 2, (28 - size.height) / 2}));

  recorder->setShortcut(VGXShortcut{kK, Flags::Command | Flags::Option});
  EXPECT_EQ(drawnText(), "⌥⌘K");
  EXPECT_EQ(recorder->accessibilityValue(), "⌥⌘K");
  recorder->setShortcut(std::nullopt);
  EXPECT_EQ(recorder->accessibilityValue(), "None");
  EXPECT_EQ(recorder->accessibilityLabel(), "Global shortcut recorder");
  EXPECT_EQ(recorder->accessibilityRole(), platform::AccessibilityRole::Button);
}

struct Bound {
  std::optional<VGXShortcut> shortcut;
  bool recording = false;
  std::optional<std::string> conflict;
  std::vector<std::string> calls;

  platform::Binding<std::optional<VGXShortcut>> shortcutBinding() {
    return {[this] { return shortcut; },
            [this](const std::optional<VGXShortcut>& v) { shortcut = v; }};
  }
  platform::Binding<bool> recordingBinding() {
    return {[this] { return recording; },
            [this](const bool& v) {
              calls.push_back(v ? "recording=true" : "recording=false");
              recording = v;
            }};
  }
  platform::Binding<std::optional<std::string>> conflictBinding() {
    return {[this] { return conflict; },
            [this](const std::optional<std::string>& v) { conflict = v; }};
  }
};

TEST(ShortcutRecorderRepresentable, MirrorsTheRecordingFlagBothWays) {
  testing::TestPlatform platform;
  Bound bound;
  bound.shortcut = VGXShortcut{kK, Flags::Command};
  VGXShortcutRecorderRepresentable representable(
      bound.shortcutBinding(), bound.recordingBinding(),
      [&](std::uint16_t keyCode, std::uint64_t modifiers) {
        bound.calls.push_back("onSet " + std::to_string(keyCode) + " " + std::to_string(modifiers));
      });
  auto view = representable.makeView();
  EXPECT_EQ(view->shortcut(), bound.shortcut);
  view->accessibilityPerformPress();
  EXPECT_TRUE(bound.recording);
  view->keyDown(Event::key(kK, "k", Flags::Control));
  EXPECT_FALSE(bound.recording);
  EXPECT_EQ(bound.calls,
            (std::vector<std::string>{"recording=true", "recording=false", "onSet 40 262144"}));
  view->accessibilityPerformPress();
  view->keyDown(Event::key(platform::KeyCode::Escape, "\x1b"));
  EXPECT_FALSE(bound.recording);

  // An update copies the bindings into the view.
  bound.recording = true;
  bound.shortcut = std::nullopt;
  representable.updateView(*view);
  EXPECT_TRUE(view->isRecording());
  EXPECT_FALSE(view->shortcut());
}

TEST(ShortcutRecorderRow, ShowsClearOnlyWithAShortcutAndClearingLeavesTheRecorderIdle) {
  testing::TestPlatform platform;
  Bound bound;
  int clears = 0;
  VGXShortcutRecorderRow row(
      bound.shortcutBinding(), bound.recordingBinding(), bound.conflictBinding(), [&] { ++clears; },
      [](std::uint16_t, std::uint64_t) {});
  auto body = row.body();
  EXPECT_FALSE(ui::findView<platform::Button>(*body));
  auto host = ui::findByAccessibilityLabel(*body, "Global shortcut recorder");
  ASSERT_TRUE(host);
  EXPECT_EQ(host->frame().size, VGXShortcutRecorderRow::kRecorderSize);
  EXPECT_EQ(host->accessibilityValue(), "None");
  auto label = ui::findView<platform::TextField>(*body);
  ASSERT_TRUE(label);
  EXPECT_EQ(label->stringValue(), "Keep Awake Shortcut");

  bound.shortcut = VGXShortcut{kK, Flags::Command};
  bound.recording = true;
  body = row.body();
  auto recorder = ui::findView<VGXShortcutRecorderNSView>(*body);
  ASSERT_TRUE(recorder);
  EXPECT_TRUE(recorder->isRecording());
  host = ui::findByAccessibilityLabel(*body, "Global shortcut recorder");
  EXPECT_EQ(host->accessibilityValue(), "⌘K");
  auto clear = ui::findView<platform::Button>(*body);
  ASSERT_TRUE(clear);
  EXPECT_EQ(clear->title(), "Clear");
  EXPECT_EQ(clear->accessibilityLabel(), "Clear global shortcut");
  EXPECT_TRUE(clear->accessibilityPerformPress());
  EXPECT_EQ(clears, 1);
  EXPECT_FALSE(bound.recording);
  // The same recorder view is kept across refreshes.
  EXPECT_EQ(ui::findView<VGXShortcutRecorderNSView>(*row.body()), recorder);
  EXPECT_FALSE(recorder->isRecording());
}

TEST(ShortcutRecorderRow, ARowBuiltWhileRecordingShowsTheRecorderRecording) {
  testing::TestPlatform platform;
  Bound bound;
  bound.shortcut = VGXShortcut{kK, Flags::Command};
  bound.recording = true;
  VGXShortcutRecorderRow row(
      bound.shortcutBinding(), bound.recordingBinding(), bound.conflictBinding(), [] {},
      [](std::uint16_t, std::uint64_t) {});
  auto recorder = ui::findView<VGXShortcutRecorderNSView>(*row.body());
  ASSERT_TRUE(recorder);
  EXPECT_TRUE(recorder->isRecording());
  EXPECT_EQ(recorder->displayedText(), "Type shortcut");
}

}  // namespace
}  // namespace vigilix
