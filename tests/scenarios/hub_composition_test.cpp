#include <functional>

#include "hub_fixture.h"

namespace vigilix::scenarios {
namespace {

class HubCompositionTest : public HubScenario {
 public:
  // The platform alone: every other neighbour absent.
  std::shared_ptr<VGXTriggerBridge> bareHub() {
    return VGXTriggerBridge::create(defaults(), {}, {.platform = VGXHubPlatform::current()});
  }
};

TEST_F(HubCompositionTest, AnAbsentNeighbourLeavesItsPartOutAndTheRestWorking) {
  struct Row {
    const char* name;
    std::function<void(VGXTriggerBridge&)> act;
    bool awake;
  };
  const std::vector<Row> rows = {
      {"a timed session", [](auto& hub) { hub.keepAwakeForDuration(600); }, true},
      {"a stop with no agent holds", [](auto& hub) { hub.stopKeepingAwake(); }, false},
      {"no pickers: nothing shows",
       [](auto& hub) {
         hub.presentCustomDurationPicker();
         hub.presentUntilPicker();
         hub.presentDownloadPanel();
       },
       false},
      {"automation without a trigger monitor", [](auto& hub) { hub.setAutomationEnabled(true); },
       false},
      {"the full tick and a second start",
       [](auto& hub) {
         hub.handleWakeOrClockChange();
         hub.start();
       },
       false},
  };
  hub = bareHub();
  hub->setDelegate(delegate);
  startHub();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.act(*hub);
    platform.advance(61);
    EXPECT_EQ(hub->isAwake(), row.awake);
  }
  EXPECT_EQ(hub->headerReasonLine().empty(), false) << "the state's line, with no verifier";
}

TEST_F(HubCompositionTest, TheSharedHubIsMadeOnFirstUseByTheInstalledMaker) {
  struct Row {
    const char* name;
    int reaches;
    int made;
  };
  const Row rows[] = {
      {"never reached: never made", 0, 0},
      {"reached from two places: made once", 2, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::resetSharedInstances();
    int made = 0;
    VGXTriggerBridge::makeSharedWith([&made, this] {
      ++made;
      return bareHub();
    });
    std::shared_ptr<VGXTriggerBridge> first;
    for (int reach = 0; reach < row.reaches; ++reach) {
      const auto reached = VGXTriggerBridge::sharedPointer();
      if (!first) first = reached;
      EXPECT_EQ(reached, first);
      EXPECT_EQ(&VGXTriggerBridge::shared(), first.get());
    }
    EXPECT_EQ(made, row.made);
  }
  platform::resetSharedInstances();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(VGXTriggerBridge::shared(), "reached before the application composed it");
}

}  // namespace
}  // namespace vigilix::scenarios
