// The tray icon against a watcher and a host played by connections on a private session bus.
#include "platform/tray/status_notifier_item.h"

#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/tray_host.h"
#include "platform/tray/status_icon_art.h"
#include "statusmenu/status_item_controller.h"
#include "testing/test_user_defaults.h"

namespace vigilix::testing {
namespace {

using platform::AsyncBusConnection;
using platform::BusReply;
using platform::BusSlot;
using platform::StatusGlyph;
using platform::statusIconPixmap;
using platform::StatusIconPixmap;
using platform::StatusNotifierItem;

// The host's call to the item; an error answers its name.
std::string callItem(AsyncBusConnection& host, const std::string& busName, const char* interface,
                     const char* member, const std::function<int(sd_bus_message*)>& append,
                     const std::function<std::string(sd_bus_message*)>& read) {
  return callAsHost(host, busName, StatusNotifierItem::kPath, interface, member, append, read);
}

// A property of the item as text: s, o and b as they read, pixmaps as their
// sizes, the tooltip as "title / text".
std::string itemProperty(AsyncBusConnection& host, const std::string& busName, const char* name,
                         const char* type) {
  return callItem(
      host, busName, "org.freedesktop.DBus.Properties", "Get",
      [&](sd_bus_message* m) {
        return sd_bus_message_append(m, "ss", StatusNotifierItem::kInterface, name);
      },
      [&](sd_bus_message* m) -> std::string {
        if (sd_bus_message_enter_container(m, 'v', type) < 0) return "wrong type";
        const std::string signature = type;
        if (signature == "s" || signature == "o") {
          const char* text = nullptr;
          sd_bus_message_read(m, type, &text);
          return text;
        }
        if (signature == "b") {
          int flag = 0;
          sd_bus_message_read(m, "b", &flag);
          return flag ? "true" : "false";
        }
        if (signature == "a(iiay)") {
          std::string sizes;
          sd_bus_message_enter_container(m, 'a', "(iiay)");
          while (sd_bus_message_enter_container(m, 'r', "iiay") > 0) {
            std::int32_t w = 0;
            std::int32_t h = 0;
            const void* bytes = nullptr;
            std::size_t size = 0;
            sd_bus_message_read(m, "ii", &w, &h);
            sd_bus_message_read_array(m, 'y', &bytes, &size);
            sizes += std::to_string(w) + "x" + std::to_string(h) + ":" + std::to_string(size) + " ";
            sd_bus_message_exit_container(m);
          }
          return sizes;
        }
        // The tool tip: its title and text.
        const char* icon = nullptr;
        const char* title = nullptr;
        const char* text = nullptr;
        sd_bus_message_enter_container(m, 'r', "sa(iiay)ss");
        sd_bus_message_read(m, "s", &icon);
        sd_bus_message_skip(m, "a(iiay)");
        sd_bus_message_read(m, "ss", &title, &text);
        return std::string(title) + " / " + text;
      });
}

class StatusNotifierItemTest : public ::testing::Test {
 protected:
  StatusNotifierItemTest() {
    auto made = StatusNotifierItem::create(*connection, "vigilix", "Vigilix", "/MenuBar");
    if (!made) throw std::runtime_error(made.error().description());
    item = std::move(*made);
    // Hosts call the item by its name: wait until the bus gave it.
    if (!runMainLoopUntil([&] { return bus.hasOwner(item->busName()); })) {
      throw std::runtime_error("the item never got its name");
    }
  }

  std::string property(const char* name, const char* type) {
    return itemProperty(*host, item->busName(), name, type);
  }

  PrivateSessionBus bus;
  std::unique_ptr<AsyncBusConnection> connection = openSessionConnection();
  std::unique_ptr<AsyncBusConnection> host = openSessionConnection();
  std::unique_ptr<StatusNotifierItem> item;
};

TEST_F(StatusNotifierItemTest, RegistersWithEveryWatcherThatAppears) {
  // No watcher yet: the first registration fails and the item waits.
  EXPECT_FALSE(
      runMainLoopUntil([&] { return item->isRegistered(); }, std::chrono::milliseconds(200)));
  for (const char* round : {"a watcher starts after the item", "the host restarts"}) {
    SCOPED_TRACE(round);
    TrayWatcher watcher;
    ASSERT_TRUE(runMainLoopUntil([&] { return !watcher.registered.empty(); }));
    EXPECT_EQ(watcher.registered, std::vector{item->busName()});
    EXPECT_TRUE(runMainLoopUntil([&] { return item->isRegistered(); }));
  }
}

TEST_F(StatusNotifierItemTest, HostsReadTheItemsProperties) {
  item->setIcon("vigilix-awake", {statusIconPixmap(StatusGlyph::awake, 22, 0xFF336699),
                                  statusIconPixmap(StatusGlyph::awake, 44, 0xFF336699)});
  item->setToolTip("Vigilix — Keeping awake", "12 min");
  item->setItemIsMenu(false);
  struct Row {
    const char* name;
    const char* type;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"Id", "s", "vigilix"},
      {"Title", "s", "Vigilix"},
      {"Category", "s", "ApplicationStatus"},
      {"Status", "s", "Active"},
      {"IconName", "s", "vigilix-awake"},
      {"IconPixmap", "a(iiay)", "22x22:1936 44x44:7744 "},
      {"ToolTip", "(sa(iiay)ss)", "Vigilix — Keeping awake / 12 min"},
      {"ItemIsMenu", "b", "false"},
      {"Menu", "o", "/MenuBar"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(property(row.name, row.type), row.expected);
  }
  // Network byte order: alpha first, then red, green, blue; corners stay clear.
  const StatusIconPixmap eye = statusIconPixmap(StatusGlyph::awake, 22, 0xFF336699);
  const std::size_t centre = (11 * 22 + 11) * 4;
  EXPECT_EQ(std::vector<std::uint8_t>(eye.argb.begin() + centre, eye.argb.begin() + centre + 4),
            (std::vector<std::uint8_t>{0xFF, 0x33, 0x66, 0x99}));
  EXPECT_EQ(eye.argb[0], 0);
}

TEST_F(StatusNotifierItemTest, TheLastPositionAHostGaveIsKept) {
  EXPECT_EQ(item->clickPosition(), std::nullopt);
  struct Row {
    const char* method;
    std::int32_t x;
    std::int32_t y;
  };
  const Row rows[] = {
      {"Activate", 1200, 8}, {"ContextMenu", 640, 1050}, {"SecondaryActivate", 3, 4}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    EXPECT_EQ(callItem(
                  *host, item->busName(), StatusNotifierItem::kInterface, row.method,
                  [&](sd_bus_message* m) { return sd_bus_message_append(m, "ii", row.x, row.y); },
                  [](sd_bus_message*) { return std::string("ok"); }),
              "ok");
    EXPECT_EQ(item->clickPosition(),
              (platform::Point{static_cast<double>(row.x), static_cast<double>(row.y)}));
  }
}

TEST(StatusItemControllerTest, ClicksAndTooltipFollowTheSettingsAndStatus) {
  PrivateSessionBus bus;
  TestDefaultsEnvironment defaults;
  auto connection = openSessionConnection();
  auto host = openSessionConnection();
  auto made = DZLStatusItemController::create(*connection, std::make_shared<platform::Menu>(), {});
  ASSERT_TRUE(made.has_value()) << made.error().description();
  DZLStatusItemController& controller = **made;
  int primaryActions = 0;
  controller.setPrimaryAction([&] { ++primaryActions; });
  const std::string name = controller.item().busName();
  ASSERT_TRUE(runMainLoopUntil([&] { return bus.hasOwner(name); }));
  auto click = [&](const char* method) {
    return callItem(
        *host, name, StatusNotifierItem::kInterface, method,
        [](sd_bus_message* m) { return sd_bus_message_append(m, "ii", 0, 0); },
        [](sd_bus_message*) { return std::string("ok"); });
  };

  struct Row {
    const char* name;
    bool clickToKeepAwake;
    const char* method;
    int primaryActions;
    std::string itemIsMenu;
  };
  const std::vector<Row> rows = {
      {"click keeps awake: a left click acts", true, "Activate", 1, "false"},
      {"click keeps awake: a middle click acts", true, "SecondaryActivate", 1, "false"},
      {"click opens the menu: a left click does not act", false, "Activate", 0, "true"},
      {"click opens the menu: a middle click acts", false, "SecondaryActivate", 1, "true"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    defaults.standard().set(DZLStatusItemController::kClickToKeepAwakeKey, row.clickToKeepAwake);
    ASSERT_TRUE(runMainLoopUntil(
        [&] { return itemProperty(*host, name, "ItemIsMenu", "b") == row.itemIsMenu; }));
    primaryActions = 0;
    EXPECT_EQ(click(row.method), "ok");
    EXPECT_EQ(primaryActions, row.primaryActions);
  }

  struct TipRow {
    const char* name;
    std::optional<std::string> status;
    std::optional<std::string> countdown;
    std::string expected;
  };
  const std::vector<TipRow> tips = {
      {"no status", std::nullopt, std::nullopt, "Vigilix / "},
      {"an empty status", "", std::nullopt, "Vigilix / "},
      {"a status and a countdown", "Keeping awake", "12:04", "Vigilix — Keeping awake / 12:04"},
  };
  for (const TipRow& row : tips) {
    SCOPED_TRACE(row.name);
    controller.updateInteractionStrings(row.status);
    controller.setMenuBarTitle(row.countdown);
    EXPECT_EQ(itemProperty(*host, name, "ToolTip", "(sa(iiay)ss)"), row.expected);
  }
  struct IconRow {
    const char* name;
    bool attention;
    bool active;
    const char* icon;
  };
  const IconRow icons[] = {
      {"attention first", true, true, "vigilix-attention-symbolic"},
      {"kept awake", false, true, "vigilix-awake-symbolic"},
      {"idle", false, false, "vigilix-idle-symbolic"},
  };
  for (const IconRow& row : icons) {
    SCOPED_TRACE(row.name);
    controller.applyImage(row.attention, row.active);
    EXPECT_EQ(itemProperty(*host, name, "IconName", "s"), row.icon);
  }
}

}  // namespace
}  // namespace vigilix::testing
