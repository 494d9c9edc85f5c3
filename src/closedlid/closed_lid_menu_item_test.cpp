#include "closedlid/closed_lid_menu_item.h"

#include <gtest/gtest.h>

#include "testing/closedlid/closed_lid_test_world.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using ClosedLidMenuItemTest = ClosedLidTest;

TEST_F(ClosedLidMenuItemTest, TheItemFollowsAvailabilitySettingAndCapLatch) {
  struct Row {
    const char* name;
    void (*change)(World&, FakeGuardLink&, FakeHelperLink&);
    bool shown;
    bool enabled;
    std::vector<std::string> detail;
  };
  const Row rows[] = {
      {"ready", [](World&, FakeGuardLink&, FakeHelperLink&) {}, true, true, {}},
      {"ready, time cap reached",
       [](World&, FakeGuardLink& c, FakeHelperLink&) {
         VGXGuardStatus status = VGXGuardStatus::initial("1.0");
         status.latch = VGXGuardLatch::batteryCap;
         c.value.status = status;
       },
       true,
       false,
       {"Lid-closed limit reached"}},
      {"waiting for approval",
       [](World&, FakeGuardLink&, FakeHelperLink& h) {
         h.state = VGXLidRegistration::requiresApproval;
       },
       true,
       false,
       {"Allow Vigilix when the administrator password is asked for"}},
      {"removal only",
       [](World& w, FakeGuardLink&, FakeHelperLink&) { w.featureEnabled = false; },
       false,
       false,
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    world = World{};
    client.value = {};
    client.value.ready = true;
    helper.state = VGXLidRegistration::enabled;
    row.change(world, client, helper);
    controller.recompute(false);
    int toggles = 0;
    auto item = makeClosedLidMenuItem(controller.menuItem(), [&toggles] { ++toggles; });
    ASSERT_EQ(item != nullptr, row.shown);
    if (!item) continue;
    EXPECT_EQ(item->title(), "Keep Awake With Lid Closed");
    EXPECT_EQ(item->isEnabled(), row.enabled);
    EXPECT_EQ(item->state(), platform::ControlStateValue::On);
    EXPECT_EQ(item->detailLines(), row.detail);
    item->performAction();
    EXPECT_EQ(toggles, 0) << "not before the menu has closed";
    platform.runUntilIdle();
    EXPECT_EQ(toggles, row.enabled ? 1 : 0);
  }
}

}  // namespace
}  // namespace vigilix
