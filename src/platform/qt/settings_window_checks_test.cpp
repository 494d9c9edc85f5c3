// The settings window as the direct build shows it (the closed-lid section,
// the agent and chat sections, the command-line tool row), rendered by Qt
// and checked as a person meets it: every text whole and each caption under
// its control (CTest runs those again at twice the scale), Tab through every
// control in reading order, the arrows in the durations, Return and Escape
// in the sheets and alerts, and what a screen reader says for each control.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <map>

#include "agents/agent_settings_slot.h"
#include "agentsettings/agent_hook_features.h"
#include "agentsettings/agent_settings_section.h"
#include "closedlid/closed_lid_settings_section.h"
#include "testing/closedlid/closed_lid_test_world.h"
#include "direct/presence/presence_settings_section.h"
#include "health/app_notification_names.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/qt/layout_check.h"
#include "testing/qt/test_screen.h"
#include "settings/closed_lid_settings_slot.h"
#include "settings/settings_window.h"
#include "settings/triggers/triggers_settings_pane.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/pinned_locale.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::View;
using platform::WindowRendering;
using testing::CaptionOf;

class IdleHub final : public TriggersSettingsHub {
 public:
  void reloadConfiguration() override {}
  void setAutomationEnabled(bool) override {}
  bool watchFileAt(const std::string&) override { return false; }
  TriggerPause pause() const override { return TriggerPause::none(); }
  std::vector<TriggerReason> currentReasons() const override { return {}; }
  StatusTextContext statusTextContext() const override { return {}; }
  std::vector<Watch> activeWatches() const override { return {}; }
  void stopWatch(const std::string&) override {}
  bool watchApp(std::int32_t) override { return false; }
};

// Each caption of the panes and the control it stands under.
const std::vector<CaptionOf> kCaptions{
    {"Stops if your computer gets hot", "On Battery, Stop After"},
    {"Vigilix locks your computer when you close the lid.", "Remove Helper\u2026"},
    {"Automatically opens Vigilix when you start your computer.", "Open at Login"},
    {"Starts or stops keeping your computer awake from any app.", "Keep Awake Shortcut"},
    {"Trays show no text beside the icon", "Show Time Left in Tray"},
    {"Vigilix lets your computer sleep while it's very hot", "Stop Keeping Awake on Low Battery"},
    {"Turn on the power saver profile", "Stop Keeping Awake in Low Power Mode"},
    {"Timed sessions count from the last time", "Restart the Timer When I Use My Computer"},
    {"Moves the pointer by one pixel", "Keep Chat Apps Active"},
    {"External display, on power", "At My Desk"},
    {"Microphone or camera in use", "In Calls"},
    {"Network activity, on power", "Overnight Download"},
    {"LibreOffice or pdfpc focused", "Presenting"},
    {"Vigilix keeps your computer awake while any condition", "Enable Automatic Keep-Awake"},
    {"Not connected to a Wi-Fi network.", "Add Current Network"},
    {"On when any microphone or camera is in use.", "Not connected to a Wi-Fi network."},
    {"Conditions apply only while your computer is connected", "Only While on Power"},
    {"Uses your computer's time zone.", "Keep Awake on a Schedule"},
};

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\n";
  return text;
}

class WindowLayoutTest : public ClosedLidTest {
 public:
  WindowLayoutTest() {
    installAgentHookFeatures();
    VGXClosedLidSettingsSlot::setSection([this]() -> std::shared_ptr<View> {
      return VGXClosedLidSettingsSection::make(controller, defaults, {});
    });
    VGXPresenceInputs inputs;
    inputs.mayPostEvents = [] { return true; };
    inputs.display = VGXPresenceDisplay::xtest;
    VGXPresencePoster::Functions functions;
    functions.schedule = [](double, std::function<void()>) { return [] {}; };
    functions.now = [] { return platform::Date(0); };
    auto presence = VGXPresenceFeature::make(standard, inputs, functions);
    presence->install();
    VGXAgentSettingsSlot::setChatSection(
        [presence] { return VGXPresenceSettingsSection::make(presence); });
    controller.recompute(false);
    standard.set(kDZLDidShowWelcomeKey, true);
    triggers = VGXTriggersSettingsViewController::make(standard, std::make_shared<IdleHub>());
    window = DZLSettingsWindow::make({standard,
                                      durations,
                                      loginItem,
                                      *shortcuts,
                                      "sudo ln -sf '/opt/vigilix/vigilix' /usr/local/bin/vigilix",
                                      {},
                                      [] {},
                                      triggers});
    window->makeKeyAndOrderFront();
    platform.runUntilIdle();
    WindowRendering::flush();
  }
  ~WindowLayoutTest() override {
    window->close();
    VGXClosedLidSettingsSlot::setSection(nullptr);
    VGXAgentSettingsSlot::setChatSection(nullptr);
  }

  QWidget* dialog() { return screen.dialogOf(window.get()); }
  // Shows `pane` and calls `look` at every scroll position a page apart
  // (less a little), from its top to its end.
  void throughPane(const char* pane, const std::function<void(QWidget*)>& look) {
    ASSERT_TRUE(window->selectPaneWithIdentifier(pane));
    auto* scroll = dynamic_cast<platform::ScrollView*>(window->selectedPaneView().get());
    for (double offset = 0;; offset += 80) {
      if (scroll) scroll->scrollToVerticalOffset(offset);
      window->layoutIfNeeded();
      WindowRendering::flush();
      look(dialog());
      if (!scroll || offset >= scroll->maximumVerticalOffset()) break;
    }
  }
  // A key where the person's keyboard sends it: the focused widget.
  void press(QWidget* shown, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(shown->focusWidget() ? shown->focusWidget() : shown, key, modifiers);
    platform.runUntilIdle();
    WindowRendering::flush();
  }
  const View* focused() const {
    auto* responder = window->firstResponder();
    return responder == window.get() ? nullptr : static_cast<const View*>(responder);
  }

  testing::QtScreen screen;
  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_GB", "Europe/London"};
  testing::TemporaryRoot root;
  platform::UserDefaults& standard = platform::UserDefaults::standard();
  DZLActivationDurationsController durations{standard};
  testing::FakeLoginItem loginItem;
  testing::FakeHotKeys hotKeys;
  std::shared_ptr<VGXGlobalShortcutCenter> shortcuts =
      VGXGlobalShortcutCenter::create(standard, hotKeys);
  std::shared_ptr<VGXTriggersSettingsViewController> triggers;
  std::shared_ptr<DZLSettingsWindow> window;
};

TEST_F(WindowLayoutTest, EveryPaneShowsAllItsTextWithEachCaptionUnderItsControl) {
  std::vector<std::string> judged;
  for (const char* pane : {"general", "durations", "triggers"}) {
    SCOPED_TRACE(pane);
    std::vector<std::string> faults;
    throughPane(pane, [&](QWidget* shown) {
      for (auto& fault : testing::layoutFaults(shown)) faults.push_back(fault);
      for (auto& fault : testing::captionFaults(shown, kCaptions, &judged)) faults.push_back(fault);
    });
    testing::saveScreenshot(dialog(), std::string("layout_") + pane);
    std::ranges::sort(faults);
    faults.erase(std::ranges::unique(faults).begin(), faults.end());
    EXPECT_TRUE(faults.empty()) << joined(faults);
  }
  for (const CaptionOf& pair : kCaptions) {
    EXPECT_NE(std::ranges::find(judged, pair.caption), judged.end())
        << "\"" << pair.caption << "\" was never on screen with \"" << pair.control << "\"";
  }
}

// Each sheet and alert as it shows, answered from the keyboard: Escape is
// its cancel, Return its default button.
TEST_F(WindowLayoutTest, EverySheetAndAlertShowsAllItsTextAndAnswersItsKeys) {
  auto& pane = window->durationsPane();
  auto& general = window->generalPane();
  auto agents = std::dynamic_pointer_cast<VGXAgentSettingsSection>(triggers->agentSection());
  auto chat = std::dynamic_pointer_cast<VGXPresenceSettingsSection>(triggers->chatSection());
  ASSERT_TRUE(agents && chat);
  int menuRequests = 0;
  auto observer = platform::NotificationCenter::defaultCenter().addObserver(
      kVGXOpenStatusMenuNotification, nullptr, nullptr,
      [&](const platform::Notification&) { ++menuRequests; });
  const std::size_t listed = durations.activationDurations().size();
  auto entries = [&] { return durations.activationDurations().size() - listed; };
  struct Row {
    const char* name;
    const char* pane;
    std::function<std::shared_ptr<platform::Window>()> open;
    Qt::Key key;
    std::function<bool()> answered;
  };
  const Row rows[] = {
      {"welcome: Not Now", "general",
       [&] { return general.setShowWelcome(true), general.welcomeSheet()->window(); },
       Qt::Key_Escape, [&] { return window->isVisible() && menuRequests == 0; }},
      {"add_duration: Cancel", "durations",
       [&] { return pane.addButton()->performClick(), pane.addSheet()->window(); }, Qt::Key_Escape,
       [&] { return entries() == 0; }},
      {"add_duration_refused: Add", "durations",
       [&] {
         pane.addButton()->performClick();
         pane.addSheet()->hoursField()->setStringValue("1000");
         pane.addSheet()->addButton()->performClick();  // clamped to 999 with the error line
         return pane.addSheet()->window();
       },
       Qt::Key_Return, [&] { return entries() == 1; }},
      {"reset_alert: Cancel", "durations",
       [&] { return pane.resetButton()->performClick(), pane.resetAlertWindow(); }, Qt::Key_Escape,
       [&] { return entries() == 1; }},
      {"reset_alert: Reset Durations", "durations",
       [&] { return pane.resetButton()->performClick(), pane.resetAlertWindow(); }, Qt::Key_Return,
       [&] { return entries() == 0; }},
      {"agent_install_sheet: Cancel", "triggers",
       [&] {
         agents->rows().at(0)->buttons().at(0)->performClick();
         return agents->presentedSheet()->window();
       },
       Qt::Key_Escape, [&] { return agents->rows().at(0)->texts().at(1) == "Not found"; }},
      {"chat_explanation: Cancel", "triggers",
       [&] { return chat->toggle()->performClick(), chat->presentedSheet()->window(); },
       Qt::Key_Escape, [&] { return !chat->toggle()->isOn(); }},
      {"welcome: Open Menu", "general",
       [&] { return general.setShowWelcome(true), general.welcomeSheet()->window(); },
       Qt::Key_Return, [&] { return !window->isVisible() && menuRequests == 1; }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(window->selectPaneWithIdentifier(row.pane));
    platform.runUntilIdle();
    const auto sheet = row.open();
    ASSERT_TRUE(sheet);
    WindowRendering::flush();
    QWidget* shown = screen.dialogOf(sheet.get());
    ASSERT_TRUE(shown);
    testing::saveScreenshot(shown, std::string("layout_") + row.name);
    const auto faults = testing::layoutFaults(shown);
    EXPECT_TRUE(faults.empty()) << joined(faults);
    press(shown, row.key);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(window->attachedSheet(), nullptr);
    EXPECT_TRUE(row.answered());
  }
}

class WindowKeyboardTest : public WindowLayoutTest {};

// The controls of the shown pane and the tabs in the order a person reads
// them, found from where they stand: lines from the top (the tabs first),
// each from the left.
std::vector<const View*> controlsInReadingOrder(const platform::Window& window) {
  struct Placed {
    const View* view;
    double top, bottom, left;
  };
  std::vector<Placed> placed;
  std::function<void(const View&, int)> collect = [&](const View& view, int part) {
    if (view.isHidden()) return;
    if (dynamic_cast<const platform::Control*>(&view) ||
        view.accessibilityRole() == platform::AccessibilityRole::Button) {
      if (view.acceptsFirstResponder()) {
        // In the coordinates of the window, or of the whole form however scrolled.
        const View* form = &view;
        while (form->superview() && !dynamic_cast<const platform::ScrollView*>(form->superview()))
          form = form->superview();
        const auto a = view.convertPointToView({0, 0}, form);
        const auto b = view.convertPointToView({view.frame().width(), view.frame().height()}, form);
        placed.push_back({&view, part * 1e6 + std::min(a.y, b.y), part * 1e6 + std::max(a.y, b.y),
                          std::min(a.x, b.x)});
      }
    }
    for (const auto& child : view.subviews()) collect(*child, part);
  };
  const auto& parts = window.contentView()->subviews();  // the tab bar, then the panes
  for (std::size_t i = 0; i < parts.size(); ++i) collect(*parts[i], static_cast<int>(i));
  std::ranges::sort(placed, {}, &Placed::top);
  std::vector<const View*> order;
  for (std::size_t i = 0; i < placed.size();) {
    std::size_t end = i + 1;  // a line: what starts above the first one's bottom
    while (end < placed.size() && placed[end].top < placed[i].bottom) ++end;
    std::sort(placed.begin() + i, placed.begin() + end,
              [](const Placed& a, const Placed& b) { return a.left < b.left; });
    for (; i < end; ++i) order.push_back(placed[i].view);
  }
  return order;
}

TEST_F(WindowKeyboardTest, TabReachesEveryControlOfEachPaneInReadingOrder) {
  auto name = [](const View* view) { return view ? view->accessibilityLabel().value_or("?") : ""; };
  for (const char* pane : {"general", "durations", "triggers"}) {
    SCOPED_TRACE(pane);
    ASSERT_TRUE(window->selectPaneWithIdentifier(pane));
    window->layoutIfNeeded();
    window->makeFirstResponder(nullptr);
    const auto expected = controlsInReadingOrder(*window);
    ASSERT_GE(expected.size(), 5u);
    std::vector<std::string> wanted;
    std::vector<std::string> reached;
    for (const View* view : expected) {
      wanted.push_back(name(view));
      press(dialog(), Qt::Key_Tab);
      reached.push_back(name(focused()));
      // Scrolled into sight, whole, and the pane's scroll bar says how far.
      QWidget* widget = screen.widgetOf(window.get(), focused());
      EXPECT_TRUE(widget && widget->mask().isEmpty()) << name(focused()) << " is out of sight";
      if (auto* scroll = dynamic_cast<platform::ScrollView*>(window->selectedPaneView().get())) {
        auto* bar = qobject_cast<QScrollBar*>(screen.widgetOf(window.get(), scroll));
        ASSERT_TRUE(bar);
        EXPECT_EQ(bar->value(), static_cast<int>(std::lround(scroll->verticalOffset())));
      }
    }
    EXPECT_EQ(reached, wanted);
    if (auto* scroll = dynamic_cast<platform::ScrollView*>(window->selectedPaneView().get())) {
      // Moved by the person, the scroll bar scrolls the pane.
      ASSERT_GT(scroll->verticalOffset(), 0);
      qobject_cast<QScrollBar*>(screen.widgetOf(window.get(), scroll))
          ->triggerAction(QAbstractSlider::SliderToMinimum);
      EXPECT_EQ(scroll->verticalOffset(), 0);
    }
    press(dialog(), Qt::Key_Tab);  // round the window, and back
    EXPECT_EQ(focused(), expected.front());
    press(dialog(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), expected.back());
  }
}

TEST_F(WindowKeyboardTest, ArrowKeysMoveTheDurationsSelection) {
  ASSERT_TRUE(window->selectPaneWithIdentifier("durations"));
  WindowRendering::flush();
  auto& pane = window->durationsPane();
  auto* table = qobject_cast<QTableWidget*>(screen.widgetOf(window.get(), pane.table().get()));
  ASSERT_TRUE(table);
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    table->visualItemRect(table->item(2, 0)).center());
  ASSERT_EQ(focused(), pane.table().get());
  const int last = table->rowCount() - 1;
  const struct {
    Qt::Key key;
    int presses;
    int selected;
  } rows[] = {
      {Qt::Key_Down, 1, 3}, {Qt::Key_Up, 1, 2}, {Qt::Key_Up, 5, 0}, {Qt::Key_Down, 20, last}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.selected);
    for (int i = 0; i < row.presses; ++i) press(dialog(), row.key);
    EXPECT_EQ(pane.selectedRow(), static_cast<std::size_t>(row.selected));
    EXPECT_EQ(table->currentRow(), row.selected);
    EXPECT_TRUE(table->item(row.selected, 0)->isSelected());
  }
  EXPECT_TRUE(pane.removeButton()->isEnabled());  // the buttons act on the selection
}

// What a screen reader says for each control: its label's text. Controls
// whose own text is a symbol, or that stand beside their label, carry the
// label's name.
TEST_F(WindowKeyboardTest, EveryControlIsNamedByItsLabel) {
  const std::map<std::string, std::string> namedApart{
      {"\u2212", "Remove Duration"},
      {"+", "Add Duration"},
      {"Reset\u2026", "Reset Durations"},
      {"Add +", "Add app"},
      {"Remove \u2212", "Remove app"},
      {"Watch a Download\u2026", "Choose a file or folder to watch"},
      {"Keep Awake Until an App Quits\u2026", "Pick a running app to watch"},
  };
  const std::map<const char*, std::vector<std::string>> besideTheirLabels{
      {"general", {"Battery Floor", "On Battery, Stop After", "Global shortcut recorder"}},
      {"durations", {"Durations"}},
  };
  for (const char* pane : {"general", "durations", "triggers"}) {
    SCOPED_TRACE(pane);
    std::vector<std::string> names;
    throughPane(pane, [&](QWidget* shown) {
      for (QObject* child : shown->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || !widget->isVisible() || !widget->mask().isEmpty() ||
            qobject_cast<QLabel*>(widget))
          continue;
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
        const auto role = node->role();
        if (role != QAccessible::Button && role != QAccessible::CheckBox &&
            role != QAccessible::Table && widget->metaObject()->className() != QString("QWidget"))
          continue;
        const std::string name = node->text(QAccessible::Name).toStdString();
        const std::string text = testing::textOf(widget);
        const auto apart = namedApart.find(text);
        EXPECT_EQ(name, apart != namedApart.end() ? apart->second
                        : text.empty()            ? name
                                                  : text)
            << testing::describe(widget);
        EXPECT_FALSE(name.empty()) << testing::describe(widget) << " has no name";
        names.push_back(name);
      }
    });
    for (const auto& [where, named] : besideTheirLabels) {
      if (std::string(where) != pane) continue;
      for (const auto& name : named)
        EXPECT_NE(std::ranges::find(names, name), names.end()) << "no control named " << name;
    }
  }
}

}  // namespace
}  // namespace vigilix
