// The built program's status item in xfce4-panel's tray under Xvfb, seen and
// clicked as a person would.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/app_delegate.h"
#include "app/tray_host_client.h"
#include "dbus/dbus_mock.h"
#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "dbus/tray_host.h"
#include "platform/dbus/async_bus_connection.h"
#include "platform/defaults/live_user_defaults.h"
#include "testing/temporary_folder.h"
#include "tray_screen/dbus_menu_monitor.h"
#include "tray_screen/xfce_panel_host.h"
#include "tray_screen/xvfb_screen.h"

namespace vigilix::testing {
namespace {

const std::filesystem::path kOutput = VIGILIX_TRAY_SCREEN_OUTPUT;
// Every wait's bound: generous, since CI runs this beside other tests and under the sanitizers.
constexpr std::chrono::seconds kPatience{30};

// A fresh folder for the servers' sockets, logs and home, removed after everything in it stopped.
struct ScratchFolder {
  std::filesystem::path path = makeTemporaryFolder("vigilix-tray-screen");
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

class TrayScreenTest : public ::testing::Test {
 protected:
  explicit TrayScreenTest(int width = 640, int height = 480)
      : folder_(scratch_.path),
        logind_(systemBus_, logindInhibitTemplate(), "org.freedesktop.login1"),
        screen_(width, height),
        host_(folder_, screen_),
        connection_(openSessionConnection()) {}

  std::string logs() const {
    return host_.log() + "--- Xvfb\n" + screen_.log() + "--- vigilix-app\n" +
           readFile(folder_ / "app.log");
  }

  // Runs the main loop until the screen shows what `wanted` looks for and
  // has stayed unchanged for a moment: the panel and its menus draw over a
  // few frames.
  std::optional<Screenshot> awaitScreen(const std::function<bool(const Screenshot&)>& wanted) {
    Screenshot last;
    auto since = std::chrono::steady_clock::now();
    const bool seen = runMainLoopUntil(
        [&] {
          Screenshot shot = screen_.capture();
          if (shot.rgb != last.rgb) {
            last = std::move(shot);
            since = std::chrono::steady_clock::now();
          }
          return wanted(last) &&
                 std::chrono::steady_clock::now() - since > std::chrono::milliseconds(300);
        },
        kPatience);
    if (!seen) return std::nullopt;
    return last;
  }

  // Not as a first run, whose settings window would cover the screen.
  void startApplication() {
    platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
    defaults.set(kDZLDidShowWelcomeKey, true);
    defaults.synchronize();
    app_.emplace(std::vector<std::string>{VIGILIX_APP_PROGRAM}, folder_ / "app.log");
  }

  // Starts the program and waits until its icon is drawn in the panel; the
  // icon's box on the screen.
  std::optional<ScreenBox> startAndFindIcon() {
    const auto empty = awaitScreen([](const Screenshot&) { return true; });
    if (!empty) return std::nullopt;
    startApplication();
    if (!runMainLoopUntil([&] { return !host_.registeredItems().empty(); }, kPatience)) {
      return std::nullopt;
    }
    const auto withItem = awaitScreen(
        [&](const Screenshot& shot) { return shot.changeFrom(*empty, host_.panel()).pixels > 0; });
    if (!withItem) return std::nullopt;
    return withItem->changeFrom(*empty, host_.panel()).box;
  }

  // Waits until a window of the program's own has `title`; its box.
  std::optional<ScreenBox> awaitWindowTitled(const std::string& title) {
    std::optional<ScreenBox> found;
    runMainLoopUntil(
        [&] {
          for (const ScreenWindow& window : screen_.windowsOfClass("vigilix"))
            if (window.title == title) found = window.box;
          return found.has_value();
        },
        kPatience);
    return found;
  }

  // The item's menu as a host reads and clicks it.
  TrayHost trayHost() const {
    // Listed as its bus name, with the object path behind when the watcher keeps it.
    const std::string item = host_.registeredItems().front();
    return TrayHost(item.substr(0, item.find('/')));
  }

  // Runs a program to its end while the main loop goes on serving the bus.
  bool run(const std::vector<std::string>& argv, const char* log) {
    TestChildProcess child(argv, folder_ / log);
    return runMainLoopUntil([&] { return !child.running(); }, kPatience);
  }

  // Opens the item's menu with a right click, answers the screen once the
  // menu has stopped drawing, and closes it again.
  std::optional<Screenshot> menuAsShown(const ScreenBox& icon) {
    const std::set<std::uint64_t> before = screen_.popupWindows();
    const auto closed = screen_.capture();
    // The pointer leaves the icon at once, so that no tooltip, whose text follows the state,
    // is drawn over the screens being compared.
    if (!run({"/usr/bin/xdotool", "mousemove", std::to_string(icon.centerX()),
              std::to_string(icon.centerY()), "click", "3", "mousemove",
              std::to_string(screen_.width() - 1), std::to_string(screen_.height() - 1)},
             "xdotool.log")) {
      return std::nullopt;
    }
    const ScreenBox belowPanel{0, host_.panel().y + host_.panel().height, screen_.width(),
                               screen_.height()};
    // Taken once two captures in a row agree: a loaded machine may still be drawing the rows
    // (or fading a tooltip) when the first change shows.
    std::optional<Screenshot> previous;
    auto shown = awaitScreen([&](const Screenshot& shot) {
      const bool settled = previous && shot.changeFrom(*previous, belowPanel).pixels == 0;
      previous = shot;
      return settled && shot.changeFrom(closed, belowPanel).pixels > 200;
    });
    run({"/usr/bin/xdotool", "key", "Escape"}, "xdotool.log");
    runMainLoopUntil([&] { return screen_.popupWindows() == before; }, kPatience);
    awaitScreen(
        [&](const Screenshot& shot) { return shot.changeFrom(closed, belowPanel).pixels == 0; });
    return shown;
  }

  ScratchFolder scratch_;
  std::filesystem::path folder_;
  PrivateSystemBus systemBus_;
  PrivateSessionBus sessionBus_;
  DbusMock logind_;
  XvfbScreen screen_;
  XfcePanelHost host_;
  DBusMenuMonitor monitor_;
  std::unique_ptr<platform::AsyncBusConnection> connection_;
  std::optional<TestChildProcess> app_;
};

TEST_F(TrayScreenTest, TheItemShowsInTheTrayAndAClickOpensItsMenu) {
  // The tray plugin runs in its own process, which is also the watcher.
  EXPECT_NE(host_.watcherCommand().find("wrapper-2.0"), std::string::npos)
      << host_.watcherCommand();
  EXPECT_NE(host_.watcherCommand().find("libsystray.so"), std::string::npos)
      << host_.watcherCommand();
  const auto empty = awaitScreen([](const Screenshot&) { return true; });
  ASSERT_TRUE(empty) << "the panel never stopped drawing\n" << logs();

  startApplication();
  ASSERT_TRUE(runMainLoopUntil([&] { return !host_.registeredItems().empty(); }, kPatience))
      << "the watcher never listed an item\n"
      << logs();
  const auto withItem = awaitScreen(
      [&](const Screenshot& shot) { return shot.changeFrom(*empty, host_.panel()).pixels > 0; });
  ASSERT_TRUE(withItem) << "nothing new was drawn in the panel\n" << logs();
  EXPECT_FALSE(withItem->savePng(kOutput / "tray-item.png"));
  const ScreenBox icon = *withItem->changeFrom(*empty, host_.panel()).box;
  // Coarse: something icon-sized, not a redrawn panel.
  EXPECT_LE(icon.width, 48);
  EXPECT_LE(icon.height, 48);
  EXPECT_GE(icon.width * icon.height, 16);

  const std::set<std::uint64_t> popupsBefore = screen_.popupWindows();
  const std::size_t callsBefore = monitor_.drain().size();
  TestChildProcess click({"/usr/bin/xdotool", "mousemove", std::to_string(icon.centerX()),
                          std::to_string(icon.centerY()), "click", "3"},
                         folder_ / "xdotool.log");
  ASSERT_TRUE(runMainLoopUntil([&] { return !click.running(); }, kPatience))
      << "xdotool did not finish";
  const bool opened = runMainLoopUntil(
      [&] {
        const auto popups = screen_.popupWindows();
        return std::any_of(popups.begin(), popups.end(),
                           [&](std::uint64_t window) { return !popupsBefore.contains(window); });
      },
      kPatience);
  const ScreenBox belowPanel{0, host_.panel().y + host_.panel().height, screen_.width(),
                             screen_.height()};
  const auto withMenu = awaitScreen(
      [&](const Screenshot& shot) { return shot.changeFrom(*withItem, belowPanel).pixels > 200; });
  ASSERT_TRUE(opened) << "no menu window was mapped after the click\n"
                      << readFile(folder_ / "xdotool.log") << logs();
  ASSERT_TRUE(withMenu) << "the menu drew nothing below the panel";
  EXPECT_FALSE(withMenu->savePng(kOutput / "tray-menu.png"));
  // The window is the item's menu, not the panel's own: the host asked the menu to show.
  const auto& calls = monitor_.drain();
  EXPECT_TRUE(std::any_of(calls.begin() + static_cast<std::ptrdiff_t>(callsBefore), calls.end(),
                          [](const DBusMenuCall& call) {
                            return call.member == "AboutToShow" ||
                                   call.member == "AboutToShowGroup";
                          }))
      << "the click opened a menu the item was not asked for";

  // The layout read as the host read it, against the status menu's rows
  // for a first start. The host asks for labels, kinds and enabled states
  // here (check marks come through GetGroupProperties). An app's submenu
  // lists the machine's programs, so rows below the second level are left out.
  const auto hostRead = monitor_.first("GetLayout");
  ASSERT_TRUE(hostRead) << "the host never read the menu's layout";
  std::vector<std::string> shown;
  const std::string error = callAsHost(
      *connection_, hostRead->destination, hostRead->path.c_str(), "com.canonical.dbusmenu",
      "GetLayout",
      [&](sd_bus_message* m) {
        int r = sd_bus_message_append(m, "ii", hostRead->parentID, hostRead->depth);
        if (r < 0) return r;
        r = sd_bus_message_open_container(m, 'a', "s");
        for (const std::string& name : hostRead->propertyNames) {
          if (r >= 0) r = sd_bus_message_append(m, "s", name.c_str());
        }
        return r < 0 ? r : sd_bus_message_close_container(m);
      },
      [&](sd_bus_message* m) {
        std::uint32_t revision = 0;
        sd_bus_message_read(m, "u", &revision);
        readMenuLayout(m, 0, shown);
        return std::string();
      });
  ASSERT_EQ(error, "");
  // The rows under the root, without their ids, one indent less.
  std::vector<std::string> rows;
  for (const std::string& line : shown) {
    const std::size_t depth = line.find_first_not_of(' ') / 2;
    if (depth < 1 || depth > 2) continue;
    rows.push_back(std::string((depth - 1) * 2, ' ') + line.substr(line.find(' ', depth * 2) + 1));
  }
  std::vector<std::string> firstStart = {
      "label=Keep Awake",
      "enabled=false label=Your computer can sleep",
      "type=separator",
      "children-display=submenu label=Keep Awake For",
      "  label=Indefinitely",
      "  label=Set Default: Indefinitely visible=false",
      "  label=5 minutes",
      "  label=Set Default: 5 minutes visible=false",
      "  label=10 minutes",
      "  label=Set Default: 10 minutes visible=false",
      "  label=15 minutes",
      "  label=Set Default: 15 minutes visible=false",
      "  label=30 minutes",
      "  label=Set Default: 30 minutes visible=false",
      "  label=1 hour",
      "  label=Set Default: 1 hour visible=false",
      "  label=2 hours",
      "  label=Set Default: 2 hours visible=false",
      "  label=5 hours",
      "  label=Set Default: 5 hours visible=false",
      "  type=separator",
      "  label=Custom Duration…",
      "children-display=submenu label=Keep Awake Until",
      "  label=A Specific Time…",
      "  label=A Download Finishes…",
      "  children-display=submenu label=An App Quits",
      "label=Allow Display to Sleep",
      "type=separator",
      "enabled=false label=Automatic",
      "label=Enable Automatic Keep-Awake",
      "enabled=false label=No triggers match right now",
      "enabled=false label=Pause for 1 Hour",
      "label=Edit Triggers…",
      "type=separator",
      "label=Settings…",
      "label=About Vigilix",
      "label=Quit Vigilix",
  };
  // Closed-lid mode comes with the direct build; a program run from its build folder has not
  // shipped the guard.
  if (VIGILIX_DIRECT_BUILD) {
    const auto below =
        std::find(firstStart.begin(), firstStart.end(), "label=Allow Display to Sleep");
    firstStart.insert(below + 1, {"enabled=false label=Keep Awake With Lid Closed",
                                  "enabled=false label=Not available on this computer yet"});
  }
  EXPECT_EQ(rows, firstStart) << logs();
}

// The host keeps what it was told of each row between readings; after the
// menu has changed its shape three times and come back to where it started,
// the tray shows exactly the rows it showed at first, pixel for pixel.
TEST_F(TrayScreenTest, TheTraysRowsFollowTheMenuThroughChangesOfShape) {
  const auto icon = startAndFindIcon();
  ASSERT_TRUE(icon) << "the item never showed in the panel\n" << logs();
  const auto first = menuAsShown(*icon);
  ASSERT_TRUE(first) << "the menu never showed\n" << logs();
  EXPECT_FALSE(first->savePng(kOutput / "tray-menu-first.png"));
  struct Row {
    const char* name;
    const char* address;
  };
  const Row rows[] = {
      {"a timed session adds rows", "vigilix:///activate?minutes=30"},
      {"a session without end drops some", "vigilix:///activate"},
      {"the end of keep-awake brings the first shape back", "vigilix:///deactivate"},
  };
  std::optional<Screenshot> last;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(run({VIGILIX_APP_PROGRAM, row.address}, "second.log"))
        << readFile(folder_ / "second.log");
    last = menuAsShown(*icon);
    ASSERT_TRUE(last) << "the menu never showed\n" << logs();
    EXPECT_FALSE(last->savePng(kOutput /
                               (std::string("tray-menu-") + std::to_string(&row - rows) + ".png")));
  }
  const ScreenBox belowPanel{0, host_.panel().y + host_.panel().height, screen_.width(),
                             screen_.height()};
  const ScreenChange change = last->changeFrom(*first, belowPanel, 0);
  EXPECT_EQ(change.pixels, 0) << "the rows differ from the first showing around " << change.box->x
                              << "," << change.box->y << " " << change.box->width << "x"
                              << change.box->height << " (see tray-menu-*.png)\n"
                              << logs();
}

// The tray's rows open the settings window on the pane they name; the
// window is the renderer's own top-level window on the screen (instance
// "vigilix", the program's name; class "Vigilix", the application's).
TEST_F(TrayScreenTest, SettingsRowsOfTheTrayOpenTheWindow) {
  const auto icon = startAndFindIcon();
  ASSERT_TRUE(icon) << "the item never showed in the panel\n" << logs();
  ASSERT_FALSE(host_.registeredItems().empty());
  TrayHost tray = trayHost();
  struct Row {
    const char* name;
    const char* label;
    const char* title;
  };
  const Row rows[] = {
      {"Settings… opens the window", "Settings\u2026", "General"},
      {"Edit Triggers… shows the triggers", "Edit Triggers\u2026", "Triggers"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_EQ(tray.click({row.label}), "");
    const auto window = awaitWindowTitled(row.title);
    ASSERT_TRUE(window) << logs();
    EXPECT_GE(window->width, 600);
    const auto shot = awaitScreen([](const Screenshot&) { return true; });
    ASSERT_TRUE(shot);
    EXPECT_FALSE(shot->savePng(kOutput / (std::string("settings-window-") + row.title + ".png")));
  }
}

// Claude Code's hooks installed from the Triggers pane of the running
// program, as a person does it: "Install…" on the first row of the agent
// section, then Return in the sheet. The hooks file lands in the home the
// program was given, and the health check then reads installed.
TEST_F(TrayScreenTest, ClaudeCodeHooksAreInstalledFromTheTriggersPane) {
  const std::filesystem::path home = folder_ / "home";
  std::filesystem::create_directories(home / ".claude");
  const auto icon = startAndFindIcon();
  ASSERT_TRUE(icon) << "the item never showed in the panel\n" << logs();
  ASSERT_EQ(trayHost().click({"Edit Triggers\u2026"}), "");
  const auto window = awaitWindowTitled("Triggers");
  ASSERT_TRUE(window) << logs();
  ASSERT_TRUE(awaitScreen([](const Screenshot&) { return true; }));
  // The pane's layout is the model's own: the agent section leads, its first
  // row's "Install…" button at this place in the window.
  ASSERT_TRUE(run({"/usr/bin/xdotool", "mousemove", std::to_string(window->x + 72),
                   std::to_string(window->y + 120), "click", "1"},
                  "xdotool.log"));
  // The sheet is a window of its own, titled with the application's name.
  const auto sheet = awaitWindowTitled("Vigilix");
  ASSERT_TRUE(sheet) << "no sheet\n" << logs();
  const auto shown = awaitScreen([](const Screenshot&) { return true; });
  ASSERT_TRUE(shown);
  EXPECT_FALSE(shown->savePng(kOutput / "settings-agent-install-sheet.png"));
  // "Install", the sheet's default button, at its lower right corner.
  ASSERT_TRUE(run({"/usr/bin/xdotool", "mousemove", std::to_string(sheet->x + sheet->width - 60),
                   std::to_string(sheet->y + sheet->height - 35), "click", "1"},
                  "xdotool.log"));
  const std::filesystem::path hooksFile = home / ".claude/settings.json";
  ASSERT_TRUE(runMainLoopUntil(
      [&] { return readFile(hooksFile).find("--tool claude") != std::string::npos; }, kPatience))
      << readFile(hooksFile) << logs();
  const std::string hooks = readFile(hooksFile);
  EXPECT_NE(hooks.find("\"SessionEnd\""), std::string::npos) << hooks;
  EXPECT_NE(hooks.find("agent end --tool claude --vigilix-hook=v1"), std::string::npos) << hooks;

  ASSERT_TRUE(run({VIGILIX_CLI_PROGRAM, "doctor"}, "doctor.log"));
  EXPECT_NE(readFile(folder_ / "doctor.log").find("Claude Code hooks: Installed"),
            std::string::npos)
      << readFile(folder_ / "doctor.log");
}

// Room for the settings window to be left anywhere.
class SettingsWindowFrameTest : public TrayScreenTest {
 protected:
  SettingsWindowFrameTest() : TrayScreenTest(1280, 1024) {}
};

// The settings window opens where an earlier run left it, and a move made on
// the desktop is written to the defaults and used at the next opening. With
// no window manager, the X window's geometry is the window's own frame.
TEST_F(SettingsWindowFrameTest, TheWindowOpensWhereItWasLeftAndKeepsWhereItIsMoved) {
  const std::string key = "NSWindow Frame PreferencesWindow";
  auto kept = [&] {
    return platform::LiveUserDefaults(platform::kStandardDomain, false)
        .stringValue(key)
        .value_or("");
  };
  // Kept as the models count: from the lower left corner of the 1024 high screen, y up.
  {
    platform::LiveUserDefaults defaults(platform::kStandardDomain, false);
    defaults.set(key, std::string("300 600 650 324 0 0 1280 1024 "));
    defaults.synchronize();
  }
  const auto icon = startAndFindIcon();
  ASSERT_TRUE(icon) << "the item never showed in the panel\n" << logs();
  TrayHost tray = trayHost();
  ASSERT_EQ(tray.click({"Settings\u2026"}), "");
  const auto opened = awaitWindowTitled("General");
  ASSERT_TRUE(opened) << logs();
  // Its top edge where the kept frame's was: 1024 - (600 + 324).
  EXPECT_EQ(opened->x, 300);
  EXPECT_EQ(opened->y, 100);
  EXPECT_EQ(opened->width, 650);

  ASSERT_TRUE(run({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^General$",
                   "windowmove", "420", "160"},
                  "xdotool.log"));
  // The frame has the model's title bar above the content.
  const int height = opened->height + 28;
  const std::string moved =
      "420 " + std::to_string(1024 - 160 - height) + " 650 " + std::to_string(height) + " ";
  EXPECT_TRUE(runMainLoopUntil([&] { return kept().starts_with(moved); }, kPatience))
      << "kept: " << kept() << "\n"
      << logs();

  // Closed with Control-W, then opened again from the tray.
  ASSERT_TRUE(run({"/usr/bin/xdotool", "mousemove", "500", "300", "key", "ctrl+w"}, "xdotool.log"));
  ASSERT_TRUE(
      runMainLoopUntil([&] { return screen_.windowsOfClass("vigilix").empty(); }, kPatience))
      << logs();
  ASSERT_EQ(tray.click({"Settings\u2026"}), "");
  const auto reopened = awaitWindowTitled("General");
  ASSERT_TRUE(reopened) << logs();
  EXPECT_EQ(reopened->x, 420);
  EXPECT_EQ(reopened->y, 160);
}

// A laptop's screen, as a person's first start of the program sees it.
class FirstLaunchTest : public TrayScreenTest {
 protected:
  FirstLaunchTest() : TrayScreenTest(1280, 800) {}

  // The program's window titled `title` once it shows, the settled screen saved as `shot`.
  std::optional<ScreenBox> shown(const std::string& title, const std::string& shot) {
    const auto box = awaitWindowTitled(title);
    const auto screen = awaitScreen([](const Screenshot&) { return true; });
    if (box && screen) {
      EXPECT_FALSE(screen->savePng(kOutput / (shot + ".png")));
    }
    return box;
  }
  bool xdotool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "/usr/bin/xdotool");
    return run(arguments, "xdotool.log");
  }
  std::optional<ScreenWindow> popup() const {
    for (const ScreenWindow& window : screen_.windowsOfClass("vigilix"))
      if (window.popup) return window;
    return std::nullopt;
  }
};

// The first start opens the settings window with the welcome over it. Its
// default button, "Open Menu", closes the window and shows the status menu
// at the pointer (the tray has not said where the item is). Then each pane,
// and the durations' reset alert, reached from its tab with Tab and Space.
TEST_F(FirstLaunchTest, TheWelcomeOpensTheMenuAndEachPaneAndAnAlertShow) {
  ASSERT_TRUE(awaitScreen([](const Screenshot&) { return true; }));
  app_.emplace(std::vector<std::string>{VIGILIX_APP_PROGRAM}, folder_ / "app.log");
  ASSERT_TRUE(shown("General", "first-launch-settings")) << logs();
  const auto welcome = shown("Welcome to Vigilix", "first-launch-welcome");
  ASSERT_TRUE(welcome) << logs();
  const int x = welcome->centerX();
  const int y = welcome->centerY();
  ASSERT_TRUE(xdotool({"mousemove", std::to_string(x), std::to_string(y), "key", "Return"}));
  ASSERT_TRUE(runMainLoopUntil([&] { return popup().has_value(); }, kPatience)) << logs();
  const auto withMenu = awaitScreen([](const Screenshot&) { return true; });
  ASSERT_TRUE(withMenu);
  EXPECT_FALSE(withMenu->savePng(kOutput / "first-launch-open-menu.png"));
  const auto menu = popup();
  // At the pointer, moved only as far as the screen's edge asks; the status menu's rows.
  EXPECT_EQ(menu->box.x, std::min(x, screen_.width() - menu->box.width));
  EXPECT_EQ(menu->box.y, std::min(y, screen_.height() - menu->box.height));
  EXPECT_GE(menu->box.height, 200);
  for (const ScreenWindow& window : screen_.windowsOfClass("vigilix"))
    EXPECT_TRUE(window.popup) << window.title << " is still open";
  ASSERT_TRUE(xdotool({"key", "Escape"}));
  ASSERT_TRUE(runMainLoopUntil([&] { return !popup().has_value(); }, kPatience));

  ASSERT_EQ(trayHost().click({"Settings\u2026"}), "");
  const auto window = shown("General", "settings-general");
  ASSERT_TRUE(window) << logs();
  // The tabs' middles, from the window's left edge.
  for (const auto& [title, tab] : {std::pair{"Triggers", 236}, std::pair{"Durations", 148}}) {
    ASSERT_TRUE(xdotool({"mousemove", std::to_string(window->x + tab),
                         std::to_string(window->y + 20), "click", "1"}));
    ASSERT_TRUE(shown(title, std::string("settings-") + title)) << logs();
  }
  // From the Durations tab: Triggers, the table, "+", then "Reset…".
  ASSERT_TRUE(xdotool({"key", "Tab", "Tab", "Tab", "Tab", "space"}));
  // An alert has no title of its own: the title bar says whose it is.
  ASSERT_TRUE(shown("Vigilix", "alert-reset-durations")) << logs();
}

}  // namespace
}  // namespace vigilix::testing
