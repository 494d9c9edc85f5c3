// Where the tray says its item is: the place a host passes with its calls to
// the item on a private session bus, kept for a menu the application opens.
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
  auto controller =
      DZLStatusItemController::create(*connection, std::make_shared<platform::Menu>(), {});
  ASSERT_TRUE(controller.has_value()) << controller.error().description();
  const std::string name = (*controller)->item().busName();
  ASSERT_TRUE(runMainLoopUntil([&] { return bus.hasOwner(name); }));
  EXPECT_EQ((*controller)->itemPosition(), std::nullopt);
  // Xfce's and KDE's trays pass the pointer's place on the desktop.
  const struct {
    const char* method;
    std::int32_t x, y;
  } rows[] = {{"ContextMenu", 1204, 12}, {"SecondaryActivate", 40, 790}, {"Activate", 7, 9}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.method);
    EXPECT_EQ(callAsHost(
                  *host, name, platform::StatusNotifierItem::kPath,
                  platform::StatusNotifierItem::kInterface, row.method,
                  [&](sd_bus_message* m) { return sd_bus_message_append(m, "ii", row.x, row.y); },
                  [](sd_bus_message*) { return std::string("ok"); }),
              "ok");
    EXPECT_EQ((*controller)->itemPosition(), (platform::Point{1.0 * row.x, 1.0 * row.y}));
  }
}

}  // namespace
}  // namespace vigilix::testing
