#include "menubar/menu_header_model.h"

#include <gtest/gtest.h>

#include <cmath>

#include "menubar/pinned_text_test_fixture.h"

namespace vigilix {
namespace {

using platform::Calendar;
using platform::Date;
using platform::Locale;

class MenuHeaderModelTest : public testing::PinnedTextTest {
 protected:
  using PinnedTextTest::PinnedTextTest;
  static AwakeSnapshot of(AwakeStatus primary) {
    AwakeSnapshot snapshot;
    snapshot.primary = std::move(primary);
    return snapshot;
  }
  std::string reason(const AwakeSnapshot& snapshot, double threshold = 20, bool lowPower = false,
                     std::optional<Date> scheduleEnd = std::nullopt) {
    return VGXMenuHeaderModel::reasonLine(snapshot, now_, calendar_, locale_, threshold, lowPower,
                                          scheduleEnd, appName_);
  }
  std::string assertion(const AwakeSnapshot& snapshot) {
    return VGXMenuHeaderModel::assertionReason(snapshot, now_, calendar_, locale_, std::nullopt,
                                               appName_);
  }
  std::string remaining(double seconds) {
    return VGXMenuHeaderModel::remainingText(now_ + seconds, now_, locale_);
  }
};

class BritishMenuHeaderModelTest : public MenuHeaderModelTest {
 protected:
  BritishMenuHeaderModelTest() : MenuHeaderModelTest("en_GB", "Europe/London") {}
};

TEST_F(MenuHeaderModelTest, RemainingTimeUsesSecondsBelowAMinuteAndRoundsUpAbove) {
  EXPECT_EQ(remaining(45), "45 sec");
  EXPECT_EQ(remaining(59.9), "59 sec");  // unrounded below a minute
  EXPECT_EQ(remaining(60), "1 min");
  EXPECT_EQ(remaining(61), "2 min");
  EXPECT_EQ(remaining(3600), "1 hr");
  EXPECT_EQ(remaining(3601), "1 hr, 1 min");
  EXPECT_EQ(remaining(90000 + 59), "1 day, 1 hr");  // two units at most
  // A past end counts as no time left, written with the seconds unit.
  EXPECT_EQ(remaining(-30), "0 sec");
  EXPECT_EQ(remaining(0), "0 sec");
  // Only a span the formatter cannot write gives the bare "0".
  EXPECT_EQ(VGXMenuHeaderModel::remainingText(Date(NAN), now_, locale_), "0");
}

TEST_F(MenuHeaderModelTest, TimedSessionShowsTheEndAndWhatIsLeft) {
  EXPECT_EQ(reason(of(AwakeStatus::manualUntil(at(17, 30)))), "Until 5:30 PM · 2 hr, 5 min left");
  EXPECT_EQ(reason(of(AwakeStatus::manualUntil(at(9, 0, 0, 11)))),
            "Until 12/11/26, 9:00 AM · 17 hr, 35 min left");
  EXPECT_EQ(assertion(of(AwakeStatus::manualUntil(at(17, 30)))), "Until 5:30 PM");
}

TEST_F(BritishMenuHeaderModelTest, TimedSessionInTwentyFourHourEnglish) {
  // British English shortens the unit words with a plural "s".
  EXPECT_EQ(reason(of(AwakeStatus::manualUntil(at(15, 25, 45)))), "Until 15:25 · 45 secs left");
  EXPECT_EQ(reason(of(AwakeStatus::manualUntil(at(0, 0, 0, 11)))),
            "Until 11/12/2026, 00:00 · 8 hrs, 35 mins left");
  EXPECT_EQ(assertion(of(AwakeStatus::manualUntil(at(0, 0, 0, 11)))), "Until 11/12/2026, 00:00");
}

TEST_F(MenuHeaderModelTest, ReasonLinesOfTheOtherStatuses) {
  EXPECT_EQ(reason(AwakeSnapshot()), "Your Mac can sleep");
  EXPECT_EQ(reason(of(AwakeStatus::manualIndefinite())), "Until you turn it off");
  EXPECT_EQ(reason(of(AwakeStatus::blockedByHeat())), "Paused because your Mac is hot");
  EXPECT_EQ(reason(of(AwakeStatus::blockedByBattery()), 20, true), "Paused: Low Power Mode");
  EXPECT_EQ(reason(of(AwakeStatus::automatic(TriggerReason::powerAdapter()))),
            "power adapter connected");
  EXPECT_EQ(reason(of(AwakeStatus::automatic(TriggerReason::schedule())), 20, false, at(17, 0)),
            "scheduled until 5:00 PM");
  EXPECT_EQ(reason(of(AwakeStatus::automatic(TriggerReason::appRunning("com.example.a")))),
            "Name of com.example.a is running");
}

TEST_F(MenuHeaderModelTest, BatteryThresholdIsRoundedHalfAwayFromZero) {
  AwakeSnapshot battery = of(AwakeStatus::blockedByBattery());
  EXPECT_EQ(reason(battery, 19.5), "Paused: battery below 20 %");
  EXPECT_EQ(reason(battery, 19.49), "Paused: battery below 19 %");
  EXPECT_EQ(reason(battery, 10), "Paused: battery below 10 %");
  // A threshold that is no number never reaches an undefined conversion.
  EXPECT_EQ(reason(battery, NAN), "Paused: battery below 0 %");
  EXPECT_EQ(reason(battery, INFINITY), "Paused: battery below 0 %");
}

TEST_F(MenuHeaderModelTest, AssertionReasonsNameWatchesAndProtections) {
  EXPECT_EQ(assertion(of(AwakeStatus::automatic(TriggerReason::watchedFile("big.iso")))),
            "“big.iso” is downloading");
  EXPECT_TRUE(resolved_.empty());
  EXPECT_EQ(assertion(of(AwakeStatus::automatic(TriggerReason::watchedApp("com.example.b")))),
            "Name of com.example.b is running");
  EXPECT_EQ(resolved_, std::vector<std::string>{"com.example.b"});
  EXPECT_EQ(assertion(of(AwakeStatus::automatic(TriggerReason::inCall()))), "During a call");
  EXPECT_EQ(assertion(of(AwakeStatus::automatic(TriggerReason::agent("claude")))),
            "Claude Code is working");
  EXPECT_EQ(assertion(AwakeSnapshot()), "Keeping your Mac awake");
  EXPECT_EQ(assertion(of(AwakeStatus::manualIndefinite())), "Until you turn it off");
  EXPECT_EQ(assertion(of(AwakeStatus::blockedByBattery())), "Battery protection");
  EXPECT_EQ(assertion(of(AwakeStatus::blockedByHeat())), "Heat protection");
}

TEST_F(MenuHeaderModelTest, PauseRowOfTheAutomaticSection) {
  auto pause = [&](const TriggerPause& p) {
    return VGXMenuHeaderModel::automaticPauseText(p, now_, calendar_, locale_);
  };
  EXPECT_EQ(pause(TriggerPause::none()), std::nullopt);
  EXPECT_EQ(pause(TriggerPause::untilResumed()), "Paused until you resume them");
  EXPECT_EQ(pause(TriggerPause::until(at(16, 0))), "Paused until 4:00 PM");
  EXPECT_EQ(pause(TriggerPause::until(at(8, 0, 0, 12))), "Paused until 12/12/26, 8:00 AM");
}

}  // namespace
}  // namespace vigilix
