// The listing of our own keep-awake locks and the lid, against logind on a
// private system bus.

#include "dbus/mock_logind_test_fixture.h"
#include "platform/power/lid_state.h"
#include "platform/power/logind_power_assertions.h"
#include "platform/runloop/live_serial_queue.h"

namespace vigilix::testing {
namespace {

using platform::LiveLogindInhibitors;
using platform::Lock;
using platform::LockKind;

using OwnAssertionsLiveTest = MockLogindTest;

TEST_F(OwnAssertionsLiveTest, OurBlockLocksAreListedUntilTheirDescriptorsClose) {
  LiveLogindInhibitors locks;
  auto system = locks.inhibit("sleep", "Vigilix", "Vigilix: Keeping your computer awake", "block");
  auto display = locks.inhibit("idle:sleep", "Vigilix", "Vigilix: Build", "block");
  // Not keep-awake locks: a sleep delay, a lid lock.
  auto delay = locks.inhibit("sleep", "Vigilix", "Vigilix: before sleep", "delay");
  auto lid = locks.inhibit("handle-lid-switch", "Vigilix", "lid", "block");
  ASSERT_TRUE(system && display && delay && lid);

  platform::LogindPowerAssertions assertions(platform::LogindPowerAssertions::Services{
      std::make_shared<LiveLogindInhibitors>(), nullptr,
      std::make_shared<platform::LiveSerialQueue>("test.own-locks")});
  const auto own = [&] { return assertions.ownLocksAfterPendingChanges(5); };
  EXPECT_EQ(own(), (std::vector{Lock{LockKind::systemSleep, "Vigilix: Keeping your computer awake"},
                                Lock{LockKind::displayAndSystemSleep, "Vigilix: Build"}}));

  system->reset();
  EXPECT_TRUE(waitUntil([&] { return own()->size() == 1; }));

  logind().kill();
  EXPECT_EQ(own(), std::vector<Lock>{}) << "without logind nothing is held";
}

TEST_F(OwnAssertionsLiveTest, TheLidAsLogindReportsIt) {
  platform::LogindLidState lid;
  EXPECT_EQ(lid.isLidClosed(), false);
  setLidClosed(true);
  EXPECT_EQ(lid.isLidClosed(), true);
  logind().kill();
  EXPECT_EQ(lid.isLidClosed(), std::nullopt);
}

}  // namespace
}  // namespace vigilix::testing
