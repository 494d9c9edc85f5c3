#include <functional>

#include "health/keep_awake_notification_request.h"
#include "health/session_notifications.h"
#include "hub_fixture.h"
#include "platform/power/thermal_state.h"

namespace vigilix::scenarios {
namespace {

class HubSessionNoticesTest : public HubScenario {
 public:
  HubSessionNoticesTest() { defaults().set(kVGXNotifyOnAwakeStateChangeKey, true); }

  static VGXSessionNotifications& sessionNotices() { return VGXSessionNotifications::shared(); }

  void heat(platform::ThermalState state) {
    platform.power.thermal.setThermalState(state);
    platform.runUntilIdle();
  }

  // The session's end, as the application controller reports it.
  void timedSessionRanOut() {
    platform.advance(*hub->manualFireDate() - now() + 1);
    sessionNotices().postTimedSessionEnded();
  }
};

TEST_F(HubSessionNoticesTest, EachManualSessionHasItsOwnThreadAndHeatTellsTheUserOnce) {
  startHub();
  hub->keepAwakeForDuration(60);
  const std::string first = sessionNotices().sessionIdentifier();
  timedSessionRanOut();
  hub->keepAwakeIndefinitely();
  const std::string second = sessionNotices().sessionIdentifier();
  heat(platform::ThermalState::Serious);
  heat(platform::ThermalState::Critical);  // still blocked: no second notice
  hub->extendManualSessionBy(60);          // no new session: same thread

  EXPECT_FALSE(first.empty());
  EXPECT_NE(first, second);
  EXPECT_EQ(sessionNotices().sessionIdentifier(), second);
  ASSERT_EQ(notices.requests().size(), 2u);
  EXPECT_EQ(notices.requests()[0].identifier, kVGXSessionEndedCategory);
  EXPECT_EQ(notices.requests()[0].content.threadIdentifier, first);
  EXPECT_EQ(notices.requests()[1].identifier, kVGXHeatStoppedIdentifier);
  EXPECT_EQ(notices.requests()[1].content.threadIdentifier, second);
  EXPECT_EQ(notices.requests()[1].content.body,
            "Vigilix stopped because your computer was getting hot.");
}

TEST_F(HubSessionNoticesTest, HeatNoticeOnlyWhenItStopsKeepAwakeThatTheUserWantsToHear) {
  struct Row {
    const char* name;
    bool notify;
    bool awake;
    std::size_t notices;
  };
  const std::vector<Row> rows = {
      {"awake, notices on", true, true, 1},
      {"awake, notices off", false, true, 0},
      {"not awake", true, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    defaults().remove(VGXTriggerBridge::awakeStateDefaultsKey);
    platform.power.thermal.setThermalState(platform::ThermalState::Nominal);
    platform.advance(15);  // beyond the repeat filter's window
    notices.clearRequests();
    defaults().set(kVGXNotifyOnAwakeStateChangeKey, row.notify);
    startHub();
    if (row.awake) hub->keepAwakeIndefinitely();
    heat(platform::ThermalState::Serious);
    EXPECT_TRUE(hub->isHeatBlocked());
    EXPECT_EQ(notices.requests().size(), row.notices);
  }
}

TEST_F(HubSessionNoticesTest, AddFifteenMinutesExtendsOrRestartsThroughTheHub) {
  struct Row {
    const char* name;
    std::function<void(HubSessionNoticesTest&)> before;
    double endOffset;
  };
  const std::vector<Row> rows = {
      {"after the session ran out: a new 900 s session",
       [](auto& test) { test.timedSessionRanOut(); }, 900},
      {"while a timed session runs: 900 s more",
       [](auto&) { sessionNotices().postTimedSessionEnded(); }, 600 + 900},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    hub.reset();
    defaults().remove(VGXTriggerBridge::awakeStateDefaultsKey);
    platform.advance(15);
    notices.clearRequests();
    startHub();
    hub->keepAwakeForDuration(600);
    row.before(*this);
    ASSERT_EQ(notices.requests().size(), 1u);

    notices.respond(kVGXAdd15MinutesAction, notices.requests()[0].identifier);
    platform.runUntilIdle();

    expectSessionEnd(row.endOffset);
  }
}

}  // namespace
}  // namespace vigilix::scenarios
