#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "core/device.h"
#include "core/dzl_app_updater.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "settings/about_settings_pane.h"
#include "settings/advanced_settings_pane.h"
#include "settings/battery_settings_pane.h"
#include "settings/login_settings_pane.h"
#include "settings/settings_window.h"
#include "settings/update_settings_pane.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/qt/test_screen.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::WindowRendering;

// The panes built in code, the About window and the welcome sheet as the Qt
// renderer shows them: a screenshot of each, and each control's accessible
// name and role.
class ContentPanesWindowTest : public ::testing::Test {
 public:
  // `pane` alone in a window of its size, on screen.
  std::shared_ptr<platform::Window> host(DZLSettingsContentViewController& pane) {
    pane.viewWillAppear();
    double height = std::max(pane.view()->fittingSize().height, 120.0);
    auto window = std::make_shared<platform::Window>(platform::Rect(0, 0, 650, height),
                                                     platform::WindowStyle::Titled);
    window->setTitle(pane.title());
    window->setContentView(pane.view());
    window->makeKeyAndOrderFront();
    WindowRendering::flush();
    return window;
  }

  testing::QtScreen screen;
  testing::TestPlatform platform;
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  testing::FakeLoginItem loginItem;
  testing::FakeHotKeys hotKeys;
};

struct Control {
  std::shared_ptr<platform::View> view;
  const char* name;
  QAccessible::Role role;
};

void expectAccessible(const testing::QtScreen& screen, const platform::Window& window,
                      const std::vector<Control>& controls) {
  for (const Control& control : controls) {
    SCOPED_TRACE(control.name);
    QWidget* widget = screen.widgetOf(&window, control.view.get());
    ASSERT_TRUE(widget) << "not on screen";
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    EXPECT_EQ(accessible->role(), control.role);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), control.name);
  }
}

TEST_F(ContentPanesWindowTest, EachPaneBuiltInCodeIsShownWithNamedControls) {
  DZLGeneralSettingsViewController general(loginItem, [] {});
  DZLAdvancedSettingsViewController advanced(defaults);
  DZLAboutSettingsViewController about({{"CFBundleShortVersionString", "1.0.0"},
                                        {"CFBundleVersion", "1"},
                                        {"NSHumanReadableCopyright", "© 2026 Vigilix"}},
                                       std::nullopt);
  auto device = DZLDevice::make();
  DZLBatterySettingsViewController battery(*device, defaults);
  DZLUpdateSettingsViewController updates(DZLAppUpdater::defaultAppUpdater());
  struct Row {
    const char* name;
    DZLSettingsContentViewController& pane;
    std::vector<Control> controls;
  };
  const Row rows[] = {
      {"general",
       general,
       {{general.startAtLoginCheckBoxButton(), "Start Vigilix at Login", QAccessible::CheckBox},
        {general.notificationSettingsButton(), "Notification Settings…", QAccessible::Button}}},
      {"advanced",
       advanced,
       {{advanced.rows()[0], "Quit Vigilix When a Timed Session Ends", QAccessible::CheckBox},
        {advanced.rows()[1], "Allow the display to sleep", QAccessible::CheckBox},
        {advanced.rows()[2], "Stop Keeping Awake When You Switch Users", QAccessible::CheckBox},
        {advanced.resetButton(), "Reset Advanced Settings", QAccessible::Button}}},
      {"about", about, {{about.versionLabel(), "Version 1.0.0 (1)", QAccessible::StaticText}}},
      {"battery",
       battery,
       {{battery.thresholdEnabled(), "Stop Keeping Awake on Low Battery", QAccessible::CheckBox},
        {battery.batteryState(), "This computer has no battery.", QAccessible::StaticText}}},
      {"updates", updates, {{updates.checkButton(), "Check for Updates…", QAccessible::Button}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto window = host(row.pane);
    ASSERT_TRUE(screen.dialogOf(window.get()));
    EXPECT_EQ(screen.dialogOf(window.get())->windowTitle().toStdString(), row.pane.title());
    testing::saveScreenshot(screen.dialogOf(window.get()), std::string("pane_") + row.name);
    expectAccessible(screen, *window, row.controls);
    window->close();
  }
}

TEST_F(ContentPanesWindowTest, AClickOnAnAdvancedRowStoresFalseOverARegisteredTrue) {
  defaults.registerDefaults({{"run.tarvo.vigilix.AllowDisplaySleep", true}});
  DZLAdvancedSettingsViewController advanced(defaults);
  auto window = host(advanced);
  QTest::mouseClick(screen.widgetOf(window.get(), advanced.rows()[1].get()), Qt::LeftButton);
  EXPECT_EQ(defaults.userValue("run.tarvo.vigilix.AllowDisplaySleep"),
            platform::PropertyValue(false));
  window->close();
}

TEST_F(ContentPanesWindowTest, TheAboutWindowAndTheWelcomeSheetAreShown) {
  VGXAboutWindow about({{"CFBundleShortVersionString", "1.0.0"}, {"CFBundleVersion", "1"}},
                       std::nullopt);
  about.show();
  WindowRendering::flush();
  auto* aboutDialog = screen.dialogOf(about.window().get());
  ASSERT_TRUE(aboutDialog);
  EXPECT_EQ(aboutDialog->windowTitle(), "About Vigilix");
  testing::saveScreenshot(aboutDialog, "about_window");
  about.window()->close();

  DZLActivationDurationsController durations(defaults);
  auto shortcuts = VGXGlobalShortcutCenter::create(defaults, hotKeys);
  auto window = DZLSettingsWindow::make(
      {defaults, durations, loginItem, *shortcuts, std::nullopt, {}, [] {}});
  window->makeKeyAndOrderFront();
  platform.runUntilIdle();
  WindowRendering::flush();
  auto* sheet = window->generalPane().welcomeSheet();
  ASSERT_TRUE(sheet);  // the first run
  auto* sheetDialog = screen.dialogOf(sheet->window().get());
  ASSERT_TRUE(sheetDialog);
  EXPECT_EQ(sheetDialog->windowModality(), Qt::WindowModal);
  testing::saveScreenshot(sheetDialog, "settings_welcome_sheet");
  expectAccessible(screen, *sheet->window(),
                   {{sheet->openMenuButton(), "Open Menu", QAccessible::Button},
                    {sheet->notNowButton(), "Not Now", QAccessible::Button}});
  QTest::mouseClick(screen.widgetOf(sheet->window().get(), sheet->notNowButton().get()),
                    Qt::LeftButton);
  platform.runUntilIdle();
  EXPECT_EQ(window->attachedSheet(), nullptr);
  EXPECT_EQ(defaults.userValue("run.tarvo.vigilix.DidShowWelcome"), platform::PropertyValue(true));

  // The shortcut section, scrolled to.
  auto& general = window->generalPane();
  auto recorder = general.shortcutRow()->subviews()[1]->subviews()[0];
  double top = recorder->convertPointToView({0, 0}, general.view()->documentView().get()).y;
  general.view()->scrollToVerticalOffset(top - 60);
  general.view()->layoutSubtreeIfNeeded();
  WindowRendering::flush();
  testing::saveScreenshot(screen.dialogOf(window.get()), "settings_global_shortcut");
  expectAccessible(screen, *window, {{recorder, "Global shortcut recorder", QAccessible::Button}});
  window->close();
}

}  // namespace
}  // namespace vigilix
