#include "health/session_notifications.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "health/app_notification_names.h"
#include "platform/base/localized.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "testing/captured_log.h"
#include "testing/fake_user_notifications.h"
#include "testing/map_string_table.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::NotificationRequest;

constexpr const char* kSleepAgain = "Vigilix let your computer sleep again.";
constexpr const char* kStopped = "Keep-awake stopped";
constexpr const char* kHot = "Vigilix stopped because your computer was getting hot.";

class SessionNotificationsTest : public ::testing::Test {
 protected:
  SessionNotificationsTest() {
    platform::UserDefaults::standard().set(kVGXNotifyOnAwakeStateChangeKey, true);
    notifications->setHub({[this] { ++extendCalls; }, [this] { return awake; },
                           [] { return std::string("Keeping your computer awake"); }});
  }

  const std::vector<NotificationRequest>& shown() const { return center.requests(); }

  testing::TestPlatform platform;
  testing::FakeUserNotificationCenter center;
  std::shared_ptr<VGXSessionNotifications> notifications =
      std::make_shared<VGXSessionNotifications>();
  int extendCalls = 0;
  bool awake = false;
};

TEST_F(SessionNotificationsTest, EachNoticeHasItsIdentifierCategoryTextsAndTheSessionThread) {
  struct Row {
    const char* name;
    std::function<void(VGXSessionNotifications&)> post;
    NotificationRequest expected;  // thread filled below
  };
  const std::vector<Row> rows = {
      {"timed session ended",
       [](auto& n) { n.postTimedSessionEnded(); },
       {"run.tarvo.vigilix.session-ended",
        {"Keep-awake session ended", kSleepAgain, "", "run.tarvo.vigilix.session-ended"}}},
      {"heat stop",
       [](auto& n) { n.postHeatStopped(); },
       {"vigilix.stop.heat", {kStopped, kHot, "", "vigilix.stop.heat"}}},
      {"closed-lid heat latch",
       [](auto& n) { n.postClosedLidLatched(ClosedLidLatchCause::heat); },
       {"vigilix.stop.heat", {kStopped, kHot, "", "vigilix.stop.heat"}}},
      {"closed-lid battery latch",
       [](auto& n) { n.postClosedLidLatched(ClosedLidLatchCause::battery); },
       {"vigilix.stop.battery",
        {kStopped, "Vigilix stopped because the battery reached its floor.", "",
         "vigilix.stop.battery"}}},
      {"closed-lid time cap",
       [](auto& n) { n.postClosedLidLatched(ClosedLidLatchCause::lidCap); },
       {"vigilix.stop.cap",
        {kStopped, "Vigilix stopped because the battery time limit was reached.", "",
         "vigilix.stop.cap"}}},
      {"lid opened",
       [](auto& n) { n.postLidOpened(); },
       {"vigilix.stop.lidOpen",
        {kStopped, "Vigilix stopped because you opened the lid.", "", "vigilix.stop.lidOpen"}}},
      {"protection lost",
       [](auto& n) { n.postProtectionLost(); },
       {"vigilix.stop.protection",
        {kStopped, "Vigilix couldn't keep your computer awake.", "", "vigilix.stop.protection"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    // A new session each time: its own thread, and no repeat of the last text.
    platform.advance(VGXSessionNotifications::kRepeatWindowSeconds);
    notifications->startNewSession();
    center.clearRequests();
    row.post(*notifications);
    NotificationRequest expected = row.expected;
    expected.content.threadIdentifier = notifications->sessionIdentifier();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], expected);
  }
  // Only the session-ended builder carries the button.
  EXPECT_TRUE(sessionEndedRequest("t").includesAdd15Minutes);
  EXPECT_FALSE(heatStoppedRequest("t").includesAdd15Minutes);
}

TEST_F(SessionNotificationsTest, RepeatsWithinTenSecondsAreDroppedOnTheContinuousClock) {
  enum class Step { heat, latchHeat, protection, advance, wallBack, wallForward, sleep, off, on };
  struct Row {
    const char* name;
    std::vector<std::pair<Step, double>> steps;
    std::size_t shownCount;
  };
  const std::vector<Row> rows = {
      {"two heat stops 5 s apart, a third 11 s after the first",
       {{Step::heat, 0}, {Step::advance, 5}, {Step::heat, 0}, {Step::advance, 6}, {Step::heat, 0}},
       2},
      {"a repeat just inside the window",
       {{Step::heat, 0}, {Step::advance, 9.9}, {Step::heat, 0}},
       1},
      {"a repeat at exactly ten seconds",
       {{Step::heat, 0}, {Step::advance, 10}, {Step::heat, 0}},
       2},
      {"protection lost and heat in the same second", {{Step::protection, 0}, {Step::heat, 0}}, 2},
      {"hub heat then closed-lid heat latch: same text",
       {{Step::heat, 0}, {Step::advance, 3}, {Step::latchHeat, 0}},
       1},
      {"a wall clock set back an hour does not silence the next notice",
       {{Step::heat, 0}, {Step::wallBack, 3600}, {Step::advance, 11}, {Step::heat, 0}},
       2},
      {"a wall clock set forward does not end the window",
       {{Step::heat, 0}, {Step::wallForward, 3600}, {Step::advance, 2}, {Step::heat, 0}},
       1},
      // Nothing shown is remembered either: turned on, the first is no repeat.
      {"with notifications off nothing is shown",
       {{Step::off, 0}, {Step::heat, 0}, {Step::on, 0}, {Step::heat, 0}},
       1},
      {"an hour of sleep ends the window",
       {{Step::heat, 0}, {Step::sleep, 3600}, {Step::heat, 0}},
       2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestPlatform rowPlatform;
    testing::FakeUserNotificationCenter rowCenter;
    platform::UserDefaults::standard().set(kVGXNotifyOnAwakeStateChangeKey, true);
    auto subject = std::make_shared<VGXSessionNotifications>();
    for (const auto& [step, seconds] : row.steps) {
      switch (step) {
        case Step::heat:
          subject->postHeatStopped();
          break;
        case Step::latchHeat:
          subject->postClosedLidLatched(ClosedLidLatchCause::heat);
          break;
        case Step::protection:
          subject->postProtectionLost();
          break;
        case Step::advance:
          rowPlatform.advance(seconds);
          break;
        case Step::wallBack:
          rowPlatform.setNow(rowPlatform.now() - seconds);
          break;
        case Step::wallForward:
          rowPlatform.setNow(rowPlatform.now() + seconds);
          break;
        case Step::sleep:
          rowPlatform.sleepFor(seconds);
          break;
        case Step::off:
        case Step::on:
          platform::UserDefaults::standard().set(kVGXNotifyOnAwakeStateChangeKey, step == Step::on);
          break;
      }
    }
    EXPECT_EQ(rowCenter.requests().size(), row.shownCount);
  }
}

TEST_F(SessionNotificationsTest, StartRegistersTheSixCategoriesAndTheObserverOnce) {
  notifications->start();
  notifications->start();
  EXPECT_EQ(center.categoryRegistrations(), 1u);
  const std::vector<platform::NotificationCategory> expected = {
      {"run.tarvo.vigilix.session-ended", {{"run.tarvo.vigilix.add-15-minutes", "Add 15 Minutes"}}},
      {"vigilix.stop.heat", {}},
      {"vigilix.stop.battery", {}},
      {"vigilix.stop.lidOpen", {}},
      {"vigilix.stop.cap", {}},
      {"vigilix.stop.protection", {}},
  };
  EXPECT_EQ(center.categories(), expected);
  EXPECT_EQ(center.delegate(), notifications);
  platform::NotificationCenter::defaultCenter().post(kVGXWatchFinishedNotification);
  platform.runUntilIdle();
  EXPECT_EQ(shown().size(), 1u);
}

class OtherDelegate : public platform::UserNotificationCenterDelegate {
 public:
  void didReceiveResponse(const platform::NotificationResponse&,
                          std::function<void()> completion) override {
    ++responses;
    completion();
  }
  int responses = 0;
};

TEST_F(SessionNotificationsTest, AnotherDelegateStaysTheDelegateAndGetsTheResponses) {
  auto other = std::make_shared<OtherDelegate>();
  center.setDelegate(other);
  notifications->start();
  EXPECT_EQ(center.delegate(), other);
  EXPECT_EQ(center.respond(kVGXAdd15MinutesAction, kVGXSessionEndedCategory), true);
  platform.runUntilIdle();
  EXPECT_EQ(other->responses, 1);
  EXPECT_EQ(extendCalls, 0);
}

TEST_F(SessionNotificationsTest, AddFifteenMinutesExtendsOrRestartsThroughTheHubOnTheMainQueue) {
  struct Row {
    const char* name;
    const char* action;
    const char* request;
    int extendCalls;
    bool hubConnected = true;
  };
  const std::vector<Row> rows = {
      {"the button before the hub is connected only logs", kVGXAdd15MinutesAction,
       kVGXSessionEndedCategory, 0, false},
      {"the button on the session-ended notice", kVGXAdd15MinutesAction, kVGXSessionEndedCategory,
       1},
      {"a click on the notice", platform::kNotificationDefaultActionIdentifier,
       kVGXSessionEndedCategory, 0},
      {"a dismissal", platform::kNotificationDismissActionIdentifier, kVGXSessionEndedCategory, 0},
      {"a click on a heat notice", platform::kNotificationDefaultActionIdentifier,
       kVGXHeatStoppedIdentifier, 0},
  };
  notifications->start();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    testing::CapturedLog log;
    extendCalls = 0;
    notifications->setHub({row.hubConnected ? std::function<void()>([this] { ++extendCalls; })
                                            : std::function<void()>(),
                           nullptr, nullptr});
    // Completed at once, before the hub is reached.
    EXPECT_EQ(center.respond(row.action, row.request), true);
    EXPECT_EQ(extendCalls, 0);
    platform.runUntilIdle();
    EXPECT_EQ(extendCalls, row.extendCalls);
    EXPECT_EQ(log.containsFragment("no hub"), !row.hubConnected);
  }
}

TEST_F(SessionNotificationsTest, AFinishedWatchNamesItAndTellsWhetherTheMacStaysAwake) {
  struct Row {
    const char* name;
    platform::PropertyDictionary userInfo;
    bool awake;
    NotificationRequest expected;  // thread filled below
  };
  const std::vector<Row> rows = {
      {"no user info",
       {},
       false,
       {"run.tarvo.vigilix.watch-finished.file.",
        {"“” finished downloading", kSleepAgain, "", ""}}},
      {"a file while another reason keeps the computer awake",
       {{"kind", "file"}, {"name", "Film.mov"}},
       true,
       {"run.tarvo.vigilix.watch-finished.file.Film.mov",
        {"“Film.mov” finished downloading",
         "Your computer stays awake: Keeping your computer awake.", "", ""}}},
      {"an app",
       {{"kind", "app"}, {"name", "Editor"}},
       false,
       {"run.tarvo.vigilix.watch-finished.app.Editor", {"Editor quit", kSleepAgain, "", ""}}},
      {"values that are not text",
       {{"kind", 3}, {"name", true}},
       false,
       {"run.tarvo.vigilix.watch-finished.file.",
        {"“” finished downloading", kSleepAgain, "", ""}}},
      {"a name holding a placeholder is shown as it is",
       {{"kind", "app"}, {"name", "100%@ Tool"}},
       false,
       {"run.tarvo.vigilix.watch-finished.app.100%@ Tool",
        {"100%@ Tool quit", kSleepAgain, "", ""}}},
  };
  notifications->start();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    platform.advance(VGXSessionNotifications::kRepeatWindowSeconds);
    center.clearRequests();
    awake = row.awake;
    platform::NotificationCenter::defaultCenter().post(kVGXWatchFinishedNotification, nullptr,
                                                       row.userInfo);
    EXPECT_TRUE(shown().empty()) << "delivered on the main queue, not at once";
    platform.runUntilIdle();
    NotificationRequest expected = row.expected;
    expected.content.threadIdentifier = notifications->sessionIdentifier();
    ASSERT_EQ(shown().size(), 1u);
    EXPECT_EQ(shown()[0], expected);
  }
}

TEST_F(SessionNotificationsTest, TextsOutsideTheWindowAreForgotten) {
  notifications->start();
  for (const char* name : {"a.zip", "b.zip", "c.zip"}) {
    platform::NotificationCenter::defaultCenter().post(kVGXWatchFinishedNotification, nullptr,
                                                       {{"name", name}});
  }
  platform.runUntilIdle();
  EXPECT_EQ(notifications->rememberedPostCount(), 3u);
  platform.advance(VGXSessionNotifications::kRepeatWindowSeconds);
  notifications->postHeatStopped();
  EXPECT_EQ(notifications->rememberedPostCount(), 1u);
  EXPECT_EQ(shown().size(), 4u);
}

TEST_F(SessionNotificationsTest, TextsComeFromTheStringTableWithTheEnglishAsFallback) {
  platform::setStringTable(
      std::make_shared<testing::MapStringTable>(testing::MapStringTable::Entries{
          {"Keep-awake stopped", "Wachhalten beendet"},
          {"Add 15 Minutes", "15 Minuten mehr"},
          {"%@ quit", "%@ wurde beendet"},
      }));
  notifications->start();
  notifications->postLidOpened();
  platform::NotificationCenter::defaultCenter().post(kVGXWatchFinishedNotification, nullptr,
                                                     {{"kind", "app"}, {"name", "Editor"}});
  platform.runUntilIdle();
  ASSERT_EQ(shown().size(), 2u);
  EXPECT_EQ(shown()[0].content.title, "Wachhalten beendet");
  EXPECT_EQ(shown()[0].content.body, "Vigilix stopped because you opened the lid.");
  EXPECT_EQ(shown()[1].content.title, "Editor wurde beendet");
  EXPECT_EQ(center.categories().at(0).actions.at(0).title, "15 Minuten mehr");
  platform::setStringTable(nullptr);
}

}  // namespace
}  // namespace vigilix
