#include "direct/direct_composition.h"

#include <gtest/gtest.h>

#include "agents/agent_settings_slot.h"
#include "direct/live_presence.h"
#include "direct/presence/presence_settings_section.h"
#include "health/direct_availability.h"
#include "hub/trigger_bridge.h"
#include "keepawake/health_registry.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

TEST(DirectCompositionTest, FillsItsSeamsOnceAndLeavesTheOthersAsTheyWere) {
  struct Row {
    const char* name;
    int installs;
    bool directBuild;
  };
  const Row rows[] = {
      {"never installed: a build without the direct features", 0, false},
      {"installed at launch", 1, true},
      {"installed again: nothing more changes", 2, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    // No display and no system bus: nothing of the machine is reached.
    VGXLivePresence::parts() = {};
    VGXDirectAvailability::setDirectBuild(false);
    VGXAgentSettingsSlot::setChatSection(nullptr);
    const auto linesBefore = VGXHealthRegistry::lines().size();
    const bool agentSectionBefore = static_cast<bool>(VGXAgentSettingsSlot::agentSection());
    for (int i = 0; i < row.installs; ++i) VGXDirectComposition::install();
    EXPECT_EQ(VGXDirectAvailability::isDirectBuild(), row.directBuild);
    EXPECT_EQ(VGXLivePresence::shared().isInstalled(), row.directBuild);
    const auto& chat = VGXAgentSettingsSlot::chatSection();
    ASSERT_EQ(static_cast<bool>(chat), row.directBuild);
    if (chat) {
      // A new section on every call, each over the one installed feature.
      const auto first = std::dynamic_pointer_cast<VGXPresenceSettingsSection>(chat());
      ASSERT_TRUE(first);
      EXPECT_NE(first, chat());
      first->model()->refresh();
      EXPECT_EQ(first->model()->accessState(), VGXLivePresence::shared().accessState());
    }
    // The agent hooks are installed by the launch in every build, never a second time here.
    EXPECT_EQ(VGXHealthRegistry::lines().size(), linesBefore);
    EXPECT_EQ(static_cast<bool>(VGXAgentSettingsSlot::agentSection()), agentSectionBefore);
    const auto& fromURL = VGXTriggerBridge::hooks().chatPresenceFromURL;
    ASSERT_EQ(static_cast<bool>(fromURL), row.directBuild);
    if (fromURL) {
      EXPECT_FALSE(fromURL(true));
      EXPECT_TRUE(fromURL(false));
    }
    // Without a display chat presence can be switched on but never moves the pointer.
    EXPECT_EQ(VGXLivePresence::shared().display(), VGXPresenceDisplay::noDisplay);
    VGXLivePresence::shared().requestAccess();
    EXPECT_EQ(VGXLivePresence::shared().setEnabled(true), VGXPresenceSetResult::ok);
    EXPECT_EQ(VGXLivePresence::shared().accessState(), VGXPresenceAccessState::denied);
    EXPECT_FALSE(VGXLivePresence::shared().poster().isRunning());
  }
  VGXDirectAvailability::setDirectBuild(false);
  VGXAgentSettingsSlot::setChatSection(nullptr);
}

}  // namespace
}  // namespace vigilix
