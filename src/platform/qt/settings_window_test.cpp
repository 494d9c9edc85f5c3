#include "settings/settings_window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QTableWidget>
#include <QTest>
#include <QVariantAnimation>

#include "core/dzl_keys.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/ui/alert.h"
#include "platform/ui/window_rendering.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/pinned_locale.h"
#include "testing/qt/test_screen.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::WindowRendering;
using ::testing::StartsWith;

// The settings window shown by the Qt renderer and used through its widgets.
class SettingsWindowTest : public ::testing::Test {
 public:
  SettingsWindowTest() {
    // The welcome has its own test; the others start past it.
    defaults.set(kDZLDidShowWelcomeKey, true);
    window = DZLSettingsWindow::make(
        {defaults,
         durations,
         loginItem,
         *shortcuts,
         "sudo ln -sf '/opt/vigilix/vigilix' /usr/local/bin/vigilix",
         {.showHealth = [this] { ++healthShown; },
          .copyText = [](const std::string& t) { WindowRendering::copyText(t); }},
         [this] { ++quits; }});
    window->makeKeyAndOrderFront();
  }
  ~SettingsWindowTest() override { window->close(); }

  platform::RenderedWindowWidget* dialog() { return screen.dialogOf(window.get()); }
  QWidget* widgetOf(const std::shared_ptr<platform::View>& view,
                    const platform::Window* in = nullptr) {
    return screen.widgetOf(in ? in : window.get(), view.get());
  }
  // Scrolls the General pane until `view` is on screen; its widget.
  QWidget* reveal(const std::shared_ptr<platform::View>& view) {
    auto& general = window->generalPane();
    double top = view->convertPointToView({0, 0}, general.view()->documentView().get()).y;
    general.view()->scrollToVerticalOffset(top - 40);
    general.view()->layoutSubtreeIfNeeded();
    WindowRendering::flush();
    return widgetOf(view);
  }
  void click(const std::shared_ptr<platform::View>& view, const platform::Window* in = nullptr) {
    QWidget* widget = widgetOf(view, in);
    ASSERT_TRUE(widget) << "not on screen";
    QTest::mouseClick(widget, Qt::LeftButton);
  }

  testing::QtScreen screen;
  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_GB", "Europe/London"};
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  DZLActivationDurationsController durations{defaults};
  testing::FakeLoginItem loginItem;
  testing::FakeHotKeys hotKeys;
  std::shared_ptr<VGXGlobalShortcutCenter> shortcuts =
      VGXGlobalShortcutCenter::create(defaults, hotKeys);
  std::shared_ptr<DZLSettingsWindow> window;
  int healthShown = 0;
  int quits = 0;
};

TEST_F(SettingsWindowTest, TheTabsShowEachPaneAndTheChoiceIsRemembered) {
  ASSERT_TRUE(dialog());
  EXPECT_EQ(dialog()->windowTitle(), "General");
  EXPECT_EQ(defaults.stringValue(kVGXLastSettingsPaneKey), std::nullopt);
  testing::saveScreenshot(dialog(), "settings_general");
  struct Row {
    const char* name;
    std::size_t tab;
    const char* title;
  };
  const Row rows[] = {
      {"durations", 1, "Durations"}, {"triggers", 2, "Triggers"}, {"general", 0, "General"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    double top = window->frame().maxY();
    click(window->tabs()[row.tab]);
    EXPECT_EQ(dialog()->windowTitle(), row.title);
    EXPECT_EQ(defaults.stringValue(kVGXLastSettingsPaneKey), row.name);
    EXPECT_FALSE(window->selectedPaneView()->isHidden());
    EXPECT_EQ(window->frame().maxY(), top);  // the top edge stays
    EXPECT_GE(window->contentRect().height(), 160);
    EXPECT_LE(window->contentRect().height(), 860);
    testing::saveScreenshot(dialog(), std::string("settings_") + row.name);
  }
  platform::NotificationCenter::defaultCenter().post(kVGXSelectSettingsPaneNotification, nullptr,
                                                     {{"index", 1}});
  WindowRendering::flush();
  EXPECT_EQ(dialog()->windowTitle(), "Durations");
}

TEST_F(SettingsWindowTest, PaneSwitchesAnimateUnlessTheDesktopReducesMotion) {
  struct Row {
    const char* name;
    bool reduceMotion;
    bool animated;
  };
  const Row rows[] = {
      {"motion allowed: the resize animates", false, true},
      {"Reduce Motion on: the window takes its size at once", true, false},
      {"and stays so once it is off again", false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform.reduceMotion.setOn(row.reduceMotion);
    click(window->tabs()[window->selection().selectedIndex() == 1 ? 0 : 1]);
    WindowRendering::flush();
    auto* animation = dialog()->findChild<QVariantAnimation*>();
    bool running = animation && animation->state() == QAbstractAnimation::Running;
    EXPECT_EQ(running, row.animated);
    QSize wanted(static_cast<int>(window->contentRect().width()),
                 static_cast<int>(window->contentRect().height()));
    if (running) {
      EXPECT_EQ(animation->endValue().toSize(), wanted);
      animation->setCurrentTime(animation->duration());
    }
    EXPECT_EQ(dialog()->size(), wanted);
  }
}

TEST_F(SettingsWindowTest, ControlsHaveTheirAccessibleNamesAndRoles) {
  auto& general = window->generalPane();
  struct Row {
    std::shared_ptr<platform::View> view;
    const char* name;
    QAccessible::Role role;
  };
  const Row rows[] = {
      {general.openAtLogin(), "Open at Login", QAccessible::CheckBox},
      {general.toggleFor("VGXStopWhenHot"), "Stop If Your Computer Gets Too Hot",
       QAccessible::CheckBox},
      {general.copyButton(), "Copy", QAccessible::Button},
      {general.healthButton(), "Check Keep-Awake Health…", QAccessible::Button},
      {general.welcomeButton(), "Show Welcome Again", QAccessible::Button},
      {window->tabs()[1], "Durations", QAccessible::Button},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Rows below the visible part of the form come on screen when scrolled to.
    general.view()->scrollToVerticalOffset(row.view->frame().minY() - 40);
    general.view()->layoutSubtreeIfNeeded();
    WindowRendering::flush();
    QWidget* widget = widgetOf(row.view);
    if (!widget) {
      general.view()->scrollToVerticalOffset(general.view()->maximumVerticalOffset());
      WindowRendering::flush();
      widget = widgetOf(row.view);
    }
    ASSERT_TRUE(widget);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    EXPECT_EQ(accessible->role(), row.role);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), row.name);
  }
  click(window->tabs()[1]);
  const Row durationRows[] = {
      {window->durationsPane().addButton(), "Add Duration", QAccessible::Button},
      {window->durationsPane().removeButton(), "Remove Duration", QAccessible::Button},
      {window->durationsPane().restartOnActivity(), "Restart the Timer When I Use My Computer",
       QAccessible::CheckBox},
  };
  for (const Row& row : durationRows) {
    SCOPED_TRACE(row.name);
    QWidget* widget = widgetOf(row.view);
    ASSERT_TRUE(widget);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    EXPECT_EQ(accessible->role(), row.role);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), row.name);
  }
}

TEST_F(SettingsWindowTest, EachToggleWritesItsKeyAndAForcedKeyDisablesItWithTheManagedFooter) {
  auto& general = window->generalPane();
  for (const auto& toggle : generalPaneToggles()) {
    SCOPED_TRACE(toggle.key);
    auto box = general.toggleFor(toggle.key);
    general.view()->scrollToVerticalOffset(box->superview()->frame().minY() - 20);
    WindowRendering::flush();
    click(box);
    EXPECT_EQ(defaults.userValue(toggle.key), platform::PropertyValue(!toggle.fallback));
    click(box);
    // Off is stored as false, never removed.
    EXPECT_EQ(defaults.userValue(toggle.key), platform::PropertyValue(toggle.fallback));

    platform.defaults.standard().setForced(toggle.key, true);
    general.refresh();
    WindowRendering::flush();
    EXPECT_FALSE(widgetOf(box)->isEnabled());
    EXPECT_THAT(general.footerFor(toggle.key),
                ::testing::Optional(StartsWith("Managed by your organization.")));
    platform.defaults.standard().removeForced(toggle.key);
    general.refresh();
  }
}

TEST_F(SettingsWindowTest, TheDurationsPaneAddsThroughItsSheetAndResetsThroughItsAlert) {
  click(window->tabs()[1]);
  auto& pane = window->durationsPane();
  std::size_t before = durations.activationDurations().size();
  click(pane.addButton());
  ASSERT_TRUE(pane.addSheet());
  auto* sheetWindow = pane.addSheet()->window().get();
  ASSERT_TRUE(screen.dialogOf(sheetWindow));
  EXPECT_EQ(screen.dialogOf(sheetWindow)->windowModality(), Qt::WindowModal);
  pane.addSheet()->hoursField()->setStringValue("1000");
  pane.addSheet()->minutesField()->setStringValue("10");
  click(pane.addSheet()->addButton(), sheetWindow);
  EXPECT_EQ(pane.addSheet()->hoursField()->stringValue(), "999");
  EXPECT_EQ(pane.addSheet()->warningLabel()->stringValue(), DZLAddDurationForm::kInvalidMessage);
  testing::saveScreenshot(screen.dialogOf(sheetWindow), "settings_add_duration_sheet");
  click(pane.addSheet()->addButton(), sheetWindow);
  EXPECT_EQ(window->attachedSheet(), nullptr);
  EXPECT_EQ(durations.activationDurations().size(), before + 1);

  // The new duration becomes the default through the pane: its row clicked in the table.
  const int last = static_cast<int>(durations.activationDurations().size()) - 1;
  auto* table = qobject_cast<QTableWidget*>(widgetOf(pane.table()));
  ASSERT_TRUE(table);
  table->scrollToItem(table->item(last, 0));
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    table->visualItemRect(table->item(last, 0)).center());
  EXPECT_EQ(pane.selectedRow(), static_cast<std::size_t>(last));
  click(pane.setDefaultButton());
  EXPECT_EQ(defaults.integerValue(kDZLTimeIntervalKey), 999 * 3600 + 600);

  struct Row {
    const char* name;
    std::size_t button;
    std::size_t entries;
  };
  const Row rows[] = {{"Cancel keeps the list", 1, before + 1},
                      {"Reset Durations resets it", 0, before}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    click(pane.resetButton());
    auto alertWindow = pane.resetAlertWindow();
    ASSERT_TRUE(alertWindow);
    testing::saveScreenshot(screen.dialogOf(alertWindow.get()), "settings_reset_alert");
    auto* alert = dynamic_cast<platform::AlertContentView*>(alertWindow->contentView().get());
    ASSERT_TRUE(alert);
    click(alert->alert()->buttons()[row.button], alertWindow.get());
    EXPECT_EQ(durations.activationDurations().size(), row.entries);
  }
}

TEST_F(SettingsWindowTest, ButtonsAndKeysReachTheirActions) {
  reveal(window->generalPane().copyButton());
  click(window->generalPane().copyButton());
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "sudo ln -sf '/opt/vigilix/vigilix' /usr/local/bin/vigilix");
  reveal(window->generalPane().healthButton());
  click(window->generalPane().healthButton());
  EXPECT_EQ(healthShown, 1);
  QTest::keyClick(dialog(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(quits, 1);
  QTest::keyClick(dialog(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace vigilix
