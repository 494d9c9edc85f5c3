#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <fstream>
#include <functional>

#include "agenthooks/hook_installer.h"
#include "agenthooks/hooks_file_format.h"
#include "agents/agent_settings_slot.h"
#include "agentsettings/agent_hook_features.h"
#include "agentsettings/agent_settings_section.h"
#include "direct/presence/presence_settings_section.h"
#include "health/direct_availability.h"
#include "hub/trigger_configuration_store.h"
#include "keepawake/health_registry.h"
#include "menubar/activation_durations_controller.h"
#include "menubar/global_shortcut_center.h"
#include "platform/fs/file_system.h"
#include "platform/ui/alert.h"
#include "platform/ui/window_rendering.h"
#include "settings/settings_window.h"
#include "settings/triggers/triggers_settings_pane.h"
#include "testing/fake_hot_keys.h"
#include "testing/fake_login_item.h"
#include "testing/pinned_locale.h"
#include "testing/qt/test_screen.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::WindowRendering;
using Read = std::function<bool(const TriggerConfiguration&)>;

// The hub as the pane sees it: its watches, and what it was asked.
class PaneHub final : public TriggersSettingsHub {
 public:
  void reloadConfiguration() override { ++reloads; }
  void setAutomationEnabled(bool enabled) override { automation.push_back(enabled); }
  bool watchFileAt(const std::string&) override { return acceptsWatches; }
  TriggerPause pause() const override { return TriggerPause::none(); }
  std::vector<TriggerReason> currentReasons() const override { return {}; }
  StatusTextContext statusTextContext() const override { return {}; }
  std::vector<Watch> activeWatches() const override { return watches; }
  void stopWatch(const std::string& id) override {
    std::erase_if(watches, [&](const Watch& w) { return w.id.uuidString() == id; });
  }
  bool watchApp(std::int32_t) override { return false; }

  int reloads = 0;
  std::vector<bool> automation;
  bool acceptsWatches = false;
  std::vector<Watch> watches;
};

// The settings window on its Triggers tab, shown by the Qt renderer.
class TriggersPaneWindowTest : public ::testing::Test {
 public:
  ~TriggersPaneWindowTest() override {
    if (window) window->close();
    VGXAgentSettingsSlot::setAgentSection(nullptr);
    VGXAgentSettingsSlot::setChatSection(nullptr);
  }

  void open() {
    pane = VGXTriggersSettingsViewController::make(defaults, hub);
    window = DZLSettingsWindow::make(
        {defaults, durations, loginItem, *shortcuts, std::nullopt, {}, [] {}, pane});
    window->selectPaneWithIdentifier("triggers");
    window->makeKeyAndOrderFront();
    WindowRendering::flush();
  }
  platform::RenderedWindowWidget* dialog() { return screen.dialogOf(window.get()); }
  // Scrolls the pane to the view and answers its widget.
  QWidget* onScreen(const std::shared_ptr<platform::View>& view) {
    auto* scroll = dynamic_cast<platform::ScrollView*>(pane->paneView().get());
    window->layoutIfNeeded();
    const auto at = view->convertPointToView({0, 0}, scroll->documentView().get());
    scroll->scrollToVerticalOffset(std::max(0.0, at.y - 60));
    scroll->layoutSubtreeIfNeeded();
    WindowRendering::flush();
    return screen.widgetOf(window.get(), view.get());
  }
  void click(const std::shared_ptr<platform::View>& view) {
    QWidget* widget = onScreen(view);
    ASSERT_TRUE(widget) << "not on screen";
    QTest::mouseClick(widget, Qt::LeftButton);
    WindowRendering::flush();
  }
  TriggerConfiguration stored() const { return VGXTriggerConfigurationStore::load(defaults); }

  testing::QtScreen screen;
  testing::TestPlatform platform;
  testing::PinnedLocale pin{"en_GB", "Europe/London"};
  testing::TemporaryRoot root;
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  DZLActivationDurationsController durations{defaults};
  testing::FakeLoginItem loginItem;
  testing::FakeHotKeys hotKeys;
  std::shared_ptr<VGXGlobalShortcutCenter> shortcuts =
      VGXGlobalShortcutCenter::create(platform::UserDefaults::standard(), hotKeys);
  std::shared_ptr<PaneHub> hub = std::make_shared<PaneHub>();
  std::shared_ptr<VGXTriggersSettingsViewController> pane;
  std::shared_ptr<DZLSettingsWindow> window;
};

TEST_F(TriggersPaneWindowTest, ThePaneAndItsOpenPartsAreShown) {
  hub->watches.push_back({*platform::UUID::fromString("6F9619FF-8B86-D011-B42D-00C04FC964FF"),
                          WatchKind::file("/home/me/Downloads/big.iso", "big.iso"),
                          platform::Date()});
  open();
  ASSERT_TRUE(dialog());
  EXPECT_EQ(dialog()->windowTitle(), "Triggers");
  auto* scroll = dynamic_cast<platform::ScrollView*>(pane->paneView().get());
  ASSERT_TRUE(scroll);
  // The form from top to bottom, a screenshot a screen apart.
  int shot = 0;
  for (double offset = 0;; offset += scroll->frame().height() - 40) {
    scroll->scrollToVerticalOffset(offset);
    WindowRendering::flush();
    testing::saveScreenshot(dialog(), "triggers_pane_" + std::to_string(shot++));
    if (offset >= scroll->maximumVerticalOffset()) break;
  }
  EXPECT_GE(shot, 2);
  EXPECT_EQ(pane->watching().rows().size(), 1u);

  const struct {
    std::shared_ptr<platform::View> view;
    const char* name;
    QAccessible::Role role;
  } rows[] = {
      {pane->enableToggle(), "Enable Automatic Keep-Awake", QAccessible::CheckBox},
      {pane->powerToggle(), "Only While on Power", QAccessible::CheckBox},
      {pane->recipeCards()[0].button, "At My Desk", QAccessible::Button},
      {pane->apps().addButton(), "Add app", QAccessible::Button},
      {pane->apps().removeButton(), "Remove app", QAccessible::Button},
      {pane->conditions().toggleTitled("During Calls"), "During Calls", QAccessible::CheckBox},
      {pane->conditions().addNetworkButton(), "Add Current Network", QAccessible::Button},
      {pane->conditions().scheduleToggle(), "Keep Awake on a Schedule", QAccessible::CheckBox},
      {pane->watching().rows()[0].stop, "Stop watching big.iso", QAccessible::Button},
      {pane->watching().watchDownloadButton(), "Choose a file or folder to watch",
       QAccessible::Button},
      {pane->watching().watchAppButton(), "Pick a running app to watch", QAccessible::Button},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QWidget* widget = onScreen(row.view);
    ASSERT_TRUE(widget);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    EXPECT_EQ(accessible->role(), row.role);
    EXPECT_EQ(accessible->text(QAccessible::Name).toStdString(), row.name);
  }

  // The "Add" menu opens under its button; a refused download watch alerts.
  click(pane->apps().addButton());
  ASSERT_FALSE(pane->apps().menuEntries().empty());
  EXPECT_EQ(pane->apps().menuEntries().back()->title(), "Choose Application\u2026");
  testing::saveScreenshot(dialog(), "triggers_pane_add_menu");
  click(pane->watching().rows()[0].stop);
  EXPECT_TRUE(pane->watching().rows().empty());
  EXPECT_TRUE(hub->watches.empty());

  // A download the hub will not watch: the panel's choice ends in the alert.
  struct Row {
    const char* name;
    bool accepted;
    bool alerted;
  };
  const Row watchRows[] = {{"refused", false, true}, {"accepted", true, false}};
  for (const Row& row : watchRows) {
    SCOPED_TRACE(row.name);
    hub->acceptsWatches = row.accepted;
    click(pane->watching().watchDownloadButton());
    const auto panel = pane->watching().downloadPanel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->canChooseDirectories());
    EXPECT_FALSE(panel->allowsMultipleSelection());
    panel->choose({root.home().string()});
    WindowRendering::flush();
    EXPECT_FALSE(pane->watching().downloadPanel());
    const auto alert = pane->watching().refusalAlert();
    ASSERT_EQ(alert != nullptr, row.alerted);
    if (!alert) continue;
    EXPECT_EQ(alert->messageText(), "This download couldn\u2019t be watched.");
    ASSERT_TRUE(screen.dialogOf(alert->window().get()));
    testing::saveScreenshot(screen.dialogOf(alert->window().get()), "triggers_pane_watch_refused");
    QTest::mouseClick(screen.widgetOf(alert->window().get(), alert->buttons()[0].get()),
                      Qt::LeftButton);
    WindowRendering::flush();
    EXPECT_FALSE(pane->watching().refusalAlert());
  }
}

// Each setting the pane shows, switched on and off through its control: the
// stored rules hold it, and off is stored as off, not dropped.
TEST_F(TriggersPaneWindowTest, EachSettingWritesItsRuleAndOffIsStored) {
  TriggerConfiguration start = TriggerConfiguration::defaultConfiguration();
  start.appBundleIdentifiers = {"firefox"};
  VGXTriggerConfigurationStore::save(start, defaults);
  open();
  ASSERT_TRUE(onScreen(pane->apps().rows().at(0).view->arrangedSubviews().at(0)));
  testing::saveScreenshot(dialog(), "triggers_pane_apps");
  auto& conditions = pane->conditions();
  const auto threshold = [&](std::size_t i) { return conditions.thresholds()[i].toggle; };
  const auto expandAdvanced = [&] {
    if (!pane->model().advancedExpanded) click(conditions.advancedButton());
  };
  const struct {
    const char* name;
    std::function<void()> setUp;
    std::function<std::shared_ptr<platform::View>()> control;
    Read isOn;
  } rows[] = {
      {"top switch",
       {},
       [&] { return pane->enableToggle(); },
       [](const auto& c) { return c.isEnabled; }},
      {"calls",
       {},
       [&] { return conditions.toggleTitled("During Calls"); },
       [](const auto& c) { return c.duringCalls; }},
      {"audio",
       {},
       [&] { return conditions.toggleTitled("While Audio Is Playing"); },
       [](const auto& c) { return c.whileAudioPlaying; }},
      {"adapter",
       {},
       [&] { return conditions.toggleTitled("Power Adapter Connected"); },
       [](const auto& c) { return c.whenOnPowerAdapter; }},
      {"display",
       {},
       [&] { return conditions.toggleTitled("External Display Connected"); },
       [](const auto& c) { return c.whenExternalDisplayConnected; }},
      {"only on power",
       {},
       [&] { return pane->powerToggle(); },
       [](const auto& c) { return c.onlyWhileOnPower; }},
      {"schedule",
       {},
       [&] { return conditions.scheduleToggle(); },
       [](const auto& c) { return c.schedule.has_value(); }},
      {"Sunday in the schedule",
       [&] {
         if (!pane->model().scheduleEnabled()) click(conditions.scheduleToggle());
       },
       // en_GB weeks start on Monday: Sunday is the last toggle.
       [&] { return conditions.weekdayToggles().back(); },
       [](const auto& c) { return c.schedule && c.schedule->weekdays.contains(1); }},
      {"network threshold", expandAdvanced, [&] { return threshold(0); },
       [](const auto& c) { return c.networkThresholdBytesPerSecond == 1'000'000; }},
      {"CPU threshold", expandAdvanced, [&] { return threshold(1); },
       [](const auto& c) { return c.cpuThresholdPercent == 50; }},
      {"disk threshold", expandAdvanced, [&] { return threshold(2); },
       [](const auto& c) { return c.diskThresholdBytesPerSecond == 20'000'000; }},
      {"frontmost only",
       {},
       [&] { return pane->apps().rows().at(0).frontmostOnly; },
       [](const auto& c) { return c.frontmostOnlyBundleIdentifiers.size() == 1; }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.setUp) row.setUp();
    ASSERT_FALSE(row.isOn(stored()));
    click(row.control());
    EXPECT_TRUE(row.isOn(stored()));
    EXPECT_TRUE(row.isOn(pane->model().configuration()));
    click(row.control());
    EXPECT_FALSE(row.isOn(stored()));
    EXPECT_TRUE(defaults.userValue(kTriggersDefaultsKey).has_value());
  }
  EXPECT_EQ(hub->automation, (std::vector<bool>{true, false}));

  // A quick setup: it switches automation on and marks its card.
  click(pane->recipeCards()[1].button);
  EXPECT_TRUE(stored().isEnabled && stored().duringCalls);
  EXPECT_FALSE(pane->recipeCards()[1].added->isHidden());
  EXPECT_EQ(pane->recipeCards()[1].button->accessibilityValue(), "Added");

  // Removing the app, then Ctrl+Z, puts it back.
  click(pane->apps().rows().at(0).name);
  click(pane->apps().removeButton());
  EXPECT_TRUE(stored().appBundleIdentifiers.empty());
  EXPECT_FALSE(pane->apps().emptyHint()->isHidden());
  QTest::keyClick(dialog(), Qt::Key_Z, Qt::ControlModifier);
  WindowRendering::flush();
  EXPECT_EQ(stored().appBundleIdentifiers, (std::vector<std::string>{"firefox"}));

  // Files dropped on the pane: desktop entries join the list, others are passed over.
  const auto entry = root.home() / "zed.desktop";
  std::ofstream(entry) << "[Desktop Entry]\nType=Application\nName=Zed\nExec=zed %U\n";
  std::ofstream(root.home() / "notes.txt") << "notes";
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(platform::qtString((root.home() / "notes.txt").string())),
                QUrl::fromLocalFile(platform::qtString(entry.string()))});
  const QPoint at(300, 300);
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dialog(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dialog(), &drop);
  WindowRendering::flush();
  EXPECT_EQ(stored().appBundleIdentifiers, (std::vector<std::string>{"firefox", "zed"}));
}

// Forced rules: every control of the form is disabled and the switch's
// footer leads with the managed line; a click writes nothing.
TEST_F(TriggersPaneWindowTest, ForcedRulesDisableEveryControl) {
  const std::string forced = R"({"isEnabled":false})";
  platform.defaults.standard().setForced(kTriggersDefaultsKey, forced);
  open();
  EXPECT_EQ(pane->switchFooter()->stringValue(),
            "Managed by your organization.\nVigilix keeps your computer awake while any "
            "condition below matches.");
  const std::shared_ptr<platform::View> controls[] = {
      pane->enableToggle(),
      pane->powerToggle(),
      pane->recipeCards()[0].button,
      pane->apps().addButton(),
      pane->conditions().toggleTitled("During Calls"),
      pane->conditions().scheduleToggle(),
      pane->watching().watchDownloadButton(),
  };
  for (const auto& control : controls) {
    SCOPED_TRACE(control->accessibilityLabel().value_or("?"));
    QWidget* widget = onScreen(control);
    ASSERT_TRUE(widget);
    EXPECT_FALSE(widget->isEnabled());
    QTest::mouseClick(widget, Qt::LeftButton);
    WindowRendering::flush();
  }
  EXPECT_FALSE(defaults.userValue(kTriggersDefaultsKey).has_value());
  testing::saveScreenshot(dialog(), "triggers_pane_managed");

  // The profile goes while the window is open: the controls come back.
  platform.defaults.standard().removeForced(kTriggersDefaultsKey);
  platform::NotificationCenter::defaultCenter().post(platform::kUserDefaultsDidChangeNotification);
  for (const auto& control : controls) {
    SCOPED_TRACE(control->accessibilityLabel().value_or("?"));
    QWidget* widget = onScreen(control);
    ASSERT_TRUE(widget);
    EXPECT_TRUE(widget->isEnabled());
  }
  EXPECT_FALSE(onScreen(pane->apps().removeButton())->isEnabled());  // nothing selected
  EXPECT_EQ(pane->switchFooter()->stringValue(),
            "Vigilix keeps your computer awake while any condition below matches.");
}

// The live line runs on a 2 s timer only while the pane is on screen.
TEST_F(TriggersPaneWindowTest, TheFooterTimerRunsOnlyWhileThePaneShows) {
  open();
  const struct {
    const char* name;
    std::function<void()> act;
    bool running;
  } rows[] = {
      {"shown", [] {}, true},
      {"another tab", [&] { window->selectPaneWithIdentifier("general"); }, false},
      {"back", [&] { window->selectPaneWithIdentifier("triggers"); }, true},
      {"window closed",
       [&] {
         window->close();
         platform.advance(VGXTriggersSettingsViewController::kFooterInterval + 0.1);
       },
       false},
      {"reopened", [&] { window->makeKeyAndOrderFront(); }, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    row.act();
    EXPECT_EQ(pane->isFooterTimerRunning(), row.running);
  }
  EXPECT_EQ(pane->liveFooter()->stringValue(), "Right now: no conditions match");
}

// Claude Code's hooks installed from the section in the pane, through its
// sheet, with the home a temporary folder.
TEST_F(TriggersPaneWindowTest, HooksAreInstalledFromTheAgentSection) {
  installAgentHookFeatures();
  const auto hooksFile = hooksFileURL(VGXAgentTool::claude, root.home());
  std::filesystem::create_directories(hooksFile.parent_path());
  const auto planned =
      renderJSON(VGXHookInstaller::forCurrentUser(VGXAgentTool::claude).plannedDocument());
  ASSERT_TRUE(planned);
  open();
  platform.runUntilIdle();
  WindowRendering::flush();
  auto section = std::dynamic_pointer_cast<VGXAgentSettingsSection>(pane->agentSection());
  ASSERT_TRUE(section);
  const auto row = section->rows().at(0);
  ASSERT_EQ(row->buttons().at(0)->title(), "Install\u2026");
  click(row->buttons().at(0));
  const auto sheet = section->presentedSheet();
  ASSERT_TRUE(sheet);
  auto* sheetDialog = screen.dialogOf(sheet->window().get());
  ASSERT_TRUE(sheetDialog);
  EXPECT_EQ(sheetDialog->windowModality(), Qt::WindowModal);
  testing::saveScreenshot(sheetDialog, "triggers_pane_agent_install_sheet");
  QWidget* confirm = screen.widgetOf(sheet->window().get(), sheet->confirmButton().get());
  ASSERT_TRUE(confirm);
  QTest::mouseClick(confirm, Qt::LeftButton);
  platform.runUntilIdle();
  WindowRendering::flush();

  EXPECT_EQ(platform::FileSystem::readFile(hooksFile), *planned);
  EXPECT_EQ(section->rows().at(0)->texts().at(1), "Installed");
  const auto lines = VGXHealthRegistry::lines();
  const auto claude = std::ranges::find_if(
      lines, [](const VGXHealthLine& line) { return line.title == "Claude Code hooks"; });
  ASSERT_NE(claude, lines.end());
  EXPECT_EQ(claude->detail, "Installed");
}

// The chat app's section: the placeholder line in a build without chat
// presence, else the section its slot makes, whose switch asks for the
// explanation first.
TEST_F(TriggersPaneWindowTest, TheChatSectionComesFromItsSlot) {
  VGXPresenceInputs inputs;
  inputs.mayPostEvents = [] { return true; };
  inputs.display = VGXPresenceDisplay::xtest;
  VGXPresencePoster::Functions functions;
  functions.schedule = [](double, std::function<void()>) { return [] {}; };
  functions.now = [] { return platform::Date(0); };
  const auto feature = VGXPresenceFeature::make(defaults, inputs, functions);
  feature->install();
  struct Row {
    const char* name;
    bool filled;
  };
  const Row rows[] = {{"a build without chat presence", false}, {"chat presence installed", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    VGXAgentSettingsSlot::setChatSection(nullptr);
    if (row.filled) {
      VGXAgentSettingsSlot::setChatSection(
          [feature] { return VGXPresenceSettingsSection::make(feature); });
    }
    open();
    const auto section = std::dynamic_pointer_cast<VGXPresenceSettingsSection>(pane->chatSection());
    EXPECT_EQ(section != nullptr, row.filled);
    // The placeholder's line, when it is the placeholder.
    const auto& lines = pane->chatSection()->subviews();
    const bool placeholder = std::ranges::any_of(lines, [](const auto& view) {
      const auto* line = dynamic_cast<const platform::TextField*>(view.get());
      return line && line->stringValue() == "Available in the version from vigilix.tarvo.run";
    });
    EXPECT_EQ(placeholder, !row.filled);
    if (section) {
      testing::saveScreenshot(dialog(), "triggers_pane_chat_section");
      click(section->toggle());
      ASSERT_TRUE(section->presentedSheet());
      EXPECT_TRUE(screen.dialogOf(section->presentedSheet()->window().get()));
      QTest::mouseClick(screen.widgetOf(section->presentedSheet()->window().get(),
                                        section->presentedSheet()->cancelButton().get()),
                        Qt::LeftButton);
      EXPECT_FALSE(section->presentedSheet());
      EXPECT_FALSE(section->toggle()->isOn());
    }
    window->close();
    window.reset();
  }
}

}  // namespace
}  // namespace vigilix
