// The status item in xfce4-panel's tray under Xvfb, seen and clicked as a person would.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/test_child_process.h"
#include "hub_fixture.h"
#include "menubar/menu_header_view.h"
#include "menubar/status_menu/status_item_controller.h"
#include "menubar/status_menu/status_menu.h"
#include "platform/dbus/async_bus_connection.h"
#include "testing/fake_system.h"
#include "testing/temporary_folder.h"
#include "tray_screen/dbus_menu_monitor.h"
#include "tray_screen/menu_lines.h"
#include "tray_screen/xfce_panel_host.h"
#include "tray_screen/xvfb_screen.h"

namespace vigilix::testing {
namespace {

const std::filesystem::path kOutput = VIGILIX_TRAY_SCREEN_OUTPUT;

// A fresh folder for the servers' sockets, logs and home, removed after everything in it stopped.
struct ScratchFolder {
  std::filesystem::path path = makeTemporaryFolder("vigilix-tray-screen");
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

class TrayScreenTest : public scenarios::HubScenario {
 protected:
  TrayScreenTest()
      : folder_(scratch_.path),
        screen_(folder_, 640, 480),
        host_(folder_, screen_),
        connection_(openSessionConnection()) {}

  ~TrayScreenTest() override {
    controller_.reset();
    platform::RunningApplications::setCurrent(nullptr);
    connection_.reset();
  }

  // The status menu over the hub, served by the status item controller in this process.
  void showStatusItem() {
    platform::RunningApplications::setCurrent(&apps_);
    startHub();
    durations_->addItem(std::make_shared<platform::MenuItem>("1 Hour"));
    VGXStatusMenu::populate(*hub, *menu_, durations_, VGXMenuHeaderView::create({}), {});
    auto made = DZLStatusItemController::create(*connection_, menu_, {});
    ASSERT_TRUE(made) << made.error().description();
    controller_ = std::move(*made);
  }

  std::string logs() const { return host_.log() + "--- Xvfb\n" + screen_.log(); }

  // Runs the main loop (the item answers the host meanwhile) until the
  // screen shows what `wanted` looks for and has stayed unchanged for a
  // moment: the panel and its menus draw over a few frames.
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
        std::chrono::seconds(20));
    if (!seen) return std::nullopt;
    return last;
  }

  ScratchFolder scratch_;
  std::filesystem::path folder_;
  PrivateSessionBus bus_;
  XvfbScreen screen_;
  XfcePanelHost host_;
  DBusMenuMonitor monitor_;
  std::unique_ptr<platform::AsyncBusConnection> connection_;
  std::shared_ptr<platform::Menu> menu_ = std::make_shared<platform::Menu>();
  std::shared_ptr<platform::Menu> durations_ = std::make_shared<platform::Menu>();
  std::unique_ptr<DZLStatusItemController> controller_;
  FakeRunningApplications apps_;
};

TEST_F(TrayScreenTest, TheItemShowsInTheTrayAndAClickOpensItsMenu) {
  // The tray plugin runs in its own process, which is also the watcher.
  EXPECT_NE(host_.watcherCommand().find("wrapper-2.0"), std::string::npos)
      << host_.watcherCommand();
  EXPECT_NE(host_.watcherCommand().find("libsystray.so"), std::string::npos)
      << host_.watcherCommand();
  const auto empty = awaitScreen([](const Screenshot&) { return true; });
  ASSERT_TRUE(empty) << "the panel never stopped drawing\n" << logs();

  showStatusItem();
  const std::string busName = controller_->item().busName();
  ASSERT_TRUE(runMainLoopUntil([&] {
    const auto items = host_.registeredItems();
    return std::any_of(items.begin(), items.end(), [&](const std::string& item) {
      return item.find(busName) != std::string::npos;
    });
  })) << "the watcher never listed "
      << busName << "\n"
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
  ASSERT_TRUE(runMainLoopUntil([&] { return !click.running(); })) << "xdotool did not finish";
  const bool opened = runMainLoopUntil([&] {
    const auto popups = screen_.popupWindows();
    return std::any_of(popups.begin(), popups.end(),
                       [&](std::uint64_t window) { return !popupsBefore.contains(window); });
  });
  const ScreenBox belowPanel{0, host_.panel().y + host_.panel().height, screen_.width(),
                             screen_.height()};
  const auto withMenu = awaitScreen(
      [&](const Screenshot& shot) { return shot.changeFrom(*withItem, belowPanel).pixels > 200; });
  ASSERT_TRUE(opened) << "no menu window was mapped after the click\n"
                      << readFile(folder_ / "xdotool.log") << logs();
  ASSERT_TRUE(withMenu) << "the menu drew nothing below the panel";
  EXPECT_FALSE(withMenu->savePng(kOutput / "tray-menu.png"));
  // The window is this item's menu, not the panel's own: the host asked the menu to show.
  const auto& calls = monitor_.drain();
  EXPECT_TRUE(std::any_of(calls.begin() + static_cast<std::ptrdiff_t>(callsBefore), calls.end(),
                          [](const DBusMenuCall& call) {
                            return call.member == "AboutToShow" ||
                                   call.member == "AboutToShowGroup";
                          }))
      << "the click opened a menu the item was not asked for";

  // The layout as the host read it, against the model's rows.
  const auto hostRead = monitor_.first("GetLayout");
  ASSERT_TRUE(hostRead) << "the host never read the menu's layout";
  std::vector<std::string> shown;
  std::optional<std::string> failure;
  auto pending = connection_->callAsync(
      {hostRead->destination.c_str(), hostRead->path.c_str(), "com.canonical.dbusmenu",
       "GetLayout"},
      [&](sd_bus_message* m) {
        int r = sd_bus_message_append(m, "ii", hostRead->parentID, hostRead->depth);
        if (r < 0) return r;
        r = sd_bus_message_open_container(m, 'a', "s");
        for (const std::string& name : hostRead->propertyNames) {
          if (r >= 0) r = sd_bus_message_append(m, "s", name.c_str());
        }
        return r < 0 ? r : sd_bus_message_close_container(m);
      },
      [&](const platform::BusReply& reply) {
        if (reply) {
          shown = layoutLines(*reply);
        } else {
          failure = reply.error().description();
        }
      });
  ASSERT_TRUE(pending);
  ASSERT_TRUE(runMainLoopUntil([&] { return !shown.empty() || failure; }));
  ASSERT_FALSE(failure) << *failure;
  EXPECT_EQ(shown, menuLines(*menu_));
  const std::vector<std::string> idle = {"Keep Awake",
                                         "Your Mac can sleep off",
                                         "--",
                                         "Keep Awake For >",
                                         "  1 Hour",
                                         "Keep Awake Until >",
                                         "  A Specific Time…",
                                         "  A Download Finishes…",
                                         "  An App Quits >",
                                         "    No apps are running off",
                                         "Allow Display to Sleep",
                                         "--",
                                         "Automatic off",
                                         "Enable Automatic Keep-Awake",
                                         "No triggers match right now off",
                                         "Pause for 1 Hour off",
                                         "Edit Triggers…",
                                         "--",
                                         "Settings…",
                                         "About Vigilix",
                                         "Quit Vigilix"};
  EXPECT_EQ(shown, idle);
}

}  // namespace
}  // namespace vigilix::testing
