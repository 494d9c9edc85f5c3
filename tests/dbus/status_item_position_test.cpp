// Where the tray says its item is: the position a host passes with its calls
// to the item on a private session bus, kept for the menu the application
// opens itself.
#include <gtest/gtest.h>
#include <systemd/sd-bus.h>

#include "dbus/main_loop_waiting.h"
#include "dbus/private_bus.h"
#include "dbus/tray_host.h"
#include "statusmenu/status_item_controller.h"
#include "testing/test_user_defaults.h"

namespace vigilix::testing {
namespace {

TEST(StatusItemPositionTest, TheLastPlaceAHostClickedTheItemIsKept) {
  PrivateSessionBus bus;
  TestDefaultsEnvironment defaults;
  auto connection = openSessionConnection();
  auto host = openSessionConnection();
  auto made = DZLStatusItemController::create(*connection, std::make_shared<platform::Menu>(), {});
  ASSERT_TRUE(made.has_value()) << made.error().description();
  DZLStatusItemController& controller = **made;
  const std::string name = controller.item().busName();
  ASSERT_TRUE(runMainLoopUntil([&] { return bus.hasOwner(name); }));
  EXPECT_EQ(controller.itemPosition(), std::nullopt);

  struct Row {
    const char* method;
    std::int32_t x, y;
  };
  // As Xfce's and KDE's trays call it: the pointer's place on the desktop.
  const Row rows[] = {
      {"ContextMenu", 1204, 12}, {"SecondaryActivate", 40, 790}, {"Activate", 7, 9}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.method);
    const std::string answer = callAsHost(
        *host, name, platform::StatusNotifierItem::kPath, platform::StatusNotifierItem::kInterface,
        row.method, [&](sd_bus_message* m) { return sd_bus_message_append(m, "ii", row.x, row.y); },
        [](sd_bus_message*) { return std::string("ok"); });
    EXPECT_EQ(answer, "ok");
    EXPECT_EQ(controller.itemPosition(),
              (platform::Point{static_cast<double>(row.x), static_cast<double>(row.y)}));
  }
}

}  // namespace
}  // namespace vigilix::testing
