// The listing of our own keep-awake locks and the lid, against logind on a
// private system bus.

#include <unistd.h>

#include "dbus/mock_logind_test_fixture.h"
#include "platform/power/lid_state.h"
#include "platform/power/own_assertions.h"

namespace vigilix::testing {
namespace {

using platform::LiveLogindInhibitors;
using platform::Lock;
using platform::LockKind;
using platform::LogindAssertionInspector;

using OwnAssertionsLiveTest = MockLogindTest;

TEST_F(OwnAssertionsLiveTest, OurBlockLocksAreOurAssertionsUntilTheirDescriptorsClose) {
  LiveLogindInhibitors locks;
  auto system = locks.inhibit("sleep", "Vigilix", "Vigilix: Keeping your computer awake", "block");
  auto display = locks.inhibit("idle:sleep", "Vigilix", "Vigilix: Build", "block");
  // Not keep-awake assertions: a sleep delay, another program's lock, a lid lock.
  auto delay = locks.inhibit("sleep", "Vigilix", "Vigilix: before sleep", "delay");
  auto other = locks.inhibit("sleep", "Backup", "copying", "block");
  auto lid = locks.inhibit("handle-lid-switch", "Vigilix", "lid", "block");
  ASSERT_TRUE(system && display && delay && other && lid);

  LogindAssertionInspector inspector;
  EXPECT_EQ(inspector.ownAssertions(),
            (std::vector{Lock{LockKind::systemSleep, "Vigilix: Keeping your computer awake"},
                         Lock{LockKind::displayAndSystemSleep, "Vigilix: Build"}}));
  EXPECT_EQ(LogindAssertionInspector(std::make_shared<LiveLogindInhibitors>(), ::getpid() + 1)
                .ownAssertions(),
            std::vector<Lock>{})
      << "another process's locks are not ours";

  system->reset();
  EXPECT_TRUE(waitUntil([&] { return inspector.ownAssertions()->size() == 1; }));

  logind().kill();
  EXPECT_EQ(inspector.ownAssertions(), std::vector<Lock>{}) << "without logind nothing is held";
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
