#include "direct/direct_composition.h"

#include <gtest/gtest.h>

#include "agents/agent_settings_slot.h"
#include "direct/closed_lid_composition.h"
#include "direct/live_presence.h"
#include "direct/presence/presence_settings_section.h"
#include "health/direct_availability.h"
#include "health/protection_verifier.h"
#include "hub/trigger_bridge.h"
#include "keepawake/health_registry.h"
#include "settings/closed_lid_settings_slot.h"
#include "statusmenu/status_menu.h"
#include "testing/scoped_environment.h"
#include "testing/temporary_root.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

// Which of the closed-lid seams hold something.
struct ClosedLidSeams {
  bool limit, clearFailed, armed, heldFresh, beforeManualStart, menuItem, menuSignature,
      settingsSection;
  bool operator==(const ClosedLidSeams&) const = default;
};

ClosedLidSeams closedLidSeams() {
  const auto& providers = VGXProtectionVerifier::shared().providers();
  return {static_cast<bool>(providers.closedLidLimit),
          static_cast<bool>(providers.closedLidClearFailed),
          static_cast<bool>(providers.closedLidArmed),
          static_cast<bool>(providers.closedLidHeldFresh),
          static_cast<bool>(VGXTriggerBridge::slots().manualSessionStartHook),
          static_cast<bool>(VGXStatusMenu::slots().extraItemsHook),
          static_cast<bool>(VGXStatusMenu::slots().signatureHook),
          static_cast<bool>(VGXClosedLidSettingsSlot::section())};
}

// The hub the features reach: one over the test platform with no neighbours.
std::shared_ptr<VGXTriggerBridge> bareHub() {
  return VGXTriggerBridge::create(platform::UserDefaults::standard(), {},
                                  {.platform = VGXHubPlatform::current()});
}

TEST(DirectCompositionTest, FillsItsSeamsOnceAndLeavesTheOthersAsTheyWere) {
  struct Row {
    const char* name;
    int installs;
    bool directBuild;
    std::size_t closedLidLines;
  };
  const Row rows[] = {
      {"never installed: a build without the direct features", 0, false, 0},
      // Closed-lid mode never turned on: its one line says it is off.
      {"installed at launch", 1, true, 1},
      {"installed again: nothing more changes", 2, true, 1},
  };
  const ClosedLidSeams none{false, false, false, false, false, false, false, false};
  const ClosedLidSeams all{true, true, true, true, true, true, true, true};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform platform;
    VGXTriggerBridge::makeSharedWith(&bareHub);
    testing::TemporaryRoot root;
    // No system bus: the lid reads unknown and nothing of the machine is asked.
    testing::ScopedEnvironment bus("DBUS_SYSTEM_BUS_ADDRESS",
                                   "unix:path=" + root.pathFor("/run/no-bus").string());
    // No display either: nothing of the machine is reached.
    VGXLivePresence::parts() = {};
    VGXDirectAvailability::setDirectBuild(false);
    VGXAgentSettingsSlot::setChatSection(nullptr);
    const auto linesBefore = VGXHealthRegistry::lines().size();
    const bool agentSectionBefore = static_cast<bool>(VGXAgentSettingsSlot::agentSection());
    int manualStartsSeenByTheTest = 0;
    for (int i = 0; i < row.installs; ++i) {
      VGXDirectComposition::install();
      // A second install must not fill the hook again.
      if (i == 0)
        VGXTriggerBridge::slots().manualSessionStartHook = [&] { ++manualStartsSeenByTheTest; };
    }
    EXPECT_EQ(VGXDirectAvailability::isDirectBuild(), row.directBuild);
    EXPECT_EQ(closedLidSeams(), row.installs ? all : none);
    EXPECT_EQ(VGXClosedLidComposition::existing() != nullptr, row.installs > 0);
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
    EXPECT_EQ(VGXHealthRegistry::lines().size(), linesBefore + row.closedLidLines);
    EXPECT_EQ(static_cast<bool>(VGXAgentSettingsSlot::agentSection()), agentSectionBefore);
    if (row.installs) {
      VGXTriggerBridge::slots().manualSessionStartHook();
      EXPECT_EQ(manualStartsSeenByTheTest, 1);
      // Nothing of the guard or the installer ships in the empty root.
      EXPECT_EQ(VGXStatusMenu::slots().signatureHook(), "guardNotInstalled|false|false");
      EXPECT_FALSE(VGXProtectionVerifier::shared().providers().closedLidLimit());
      VGXTriggerBridge::slots().manualSessionStartHook = nullptr;
    }
    EXPECT_EQ(static_cast<bool>(VGXTriggerBridge::slots().policyChangeHook), row.directBuild);
    const auto& fromURL = VGXDirectAvailability::chatPresenceFromURL();
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

TEST(DirectCompositionTest, ClosedLidSafetyAndLimitReadings) {
  struct Row {
    const char* name;
    bool hot;
    VGXBatterySample battery;
    std::optional<bool> safe;
  };
  const Row rows[] = {
      {"hot, even on mains", true, {}, false},
      {"no battery", false, {}, true},
      {"battery on mains", false, {true, false, 5}, true},
      {"on battery at the floor", false, {true, true, 30}, true},
      {"on battery below the floor", false, {true, true, 29.5}, false},
      {"on battery, charge unreadable", false, {true, true, -1}, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(VGXClosedLidComposition::safetyOK(row.hot, row.battery, 30), row.safe);
  }

  struct LimitRow {
    std::optional<VGXGuardLatch> latch;
    bool reached;
  };
  const LimitRow limits[] = {
      {std::nullopt, false},           {VGXGuardLatch::heat, false},
      {VGXGuardLatch::battery, false}, {VGXGuardLatch::batteryCap, true},
      {VGXGuardLatch::totalCap, true}, {VGXGuardLatch::externallyCleared, false},
      {VGXGuardLatch::policy, false},
  };
  EXPECT_FALSE(VGXClosedLidComposition::limitReached(std::nullopt)) << "no status";
  for (const LimitRow& row : limits) {
    SCOPED_TRACE(row.latch ? std::string(rawValue(*row.latch)) : "none");
    VGXGuardStatus status = VGXGuardStatus::initial("1.0");
    status.latch = row.latch;
    EXPECT_EQ(VGXClosedLidComposition::limitReached(status), row.reached);
  }
}

}  // namespace
}  // namespace vigilix
