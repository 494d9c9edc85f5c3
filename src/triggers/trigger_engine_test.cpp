#include "triggers/trigger_engine.h"

#include <gtest/gtest.h>

#include "platform/locale/calendar.h"

namespace vigilix {
namespace {

using platform::Date;

using Reasons = std::vector<TriggerReason>;

class TriggerEngineTest : public ::testing::Test {
 protected:
  static platform::Calendar utc() {
    return platform::Calendar(platform::TimeZone::utc(), platform::Locale("en_US"));
  }

  static TriggerConfiguration enabled() {
    TriggerConfiguration configuration;
    configuration.isEnabled = true;
    return configuration;
  }

  static SystemSample sampleAt(double seconds) {
    SystemSample sample;
    sample.date = Date(seconds);
    return sample;
  }

  TriggerDecision evaluate(const TriggerConfiguration& configuration, const SystemSample& sample) {
    TriggerEngine engine(configuration, utc());
    return engine.evaluate(sample);
  }
};

// A sample for which every rule of `everythingOn()` matches.
SystemSample busySample() {
  SystemSample sample;
  sample.date = Date(0);  // Monday 2001-01-01 00:00 UTC.
  sample.runningBundleIdentifiers = {"com.example.Editor", "com.example.Player"};
  sample.frontmostBundleIdentifier = "com.example.Player";
  sample.isOnPowerAdapter = true;
  sample.externalDisplayCount = 2;
  sample.networkBytesPerSecond = 5000;
  sample.cpuUsagePercent = 90;
  sample.wifiNetworkName = "Office";
  sample.isMicrophoneInUse = true;
  sample.isAudioPlaying = true;
  sample.diskBytesPerSecond = 7000;
  return sample;
}

TriggerConfiguration everythingOn() {
  TriggerConfiguration configuration;
  configuration.isEnabled = true;
  // Enabled in an order unlike the order the reasons come out in.
  configuration.diskThresholdBytesPerSecond = 1000;
  configuration.whileAudioPlaying = true;
  configuration.duringCalls = true;
  configuration.schedule = TriggerSchedule{{2}, 0, 0};
  configuration.wifiNetworkNames = {"Home", "Office"};
  configuration.cpuThresholdPercent = 50;
  configuration.networkThresholdBytesPerSecond = 1000;
  configuration.whenExternalDisplayConnected = true;
  configuration.whenOnPowerAdapter = true;
  configuration.appBundleIdentifiers = {"com.example.Player", "com.example.Editor"};
  configuration.sustainSeconds = 0;
  return configuration;
}

TEST_F(TriggerEngineTest, ReasonsComeOutInTheFixedOrder) {
  const TriggerDecision decision = evaluate(everythingOn(), busySample());
  EXPECT_TRUE(decision.shouldKeepAwake);
  EXPECT_EQ(decision.reasons,
            (Reasons{TriggerReason::appRunning("com.example.Player"),
                     TriggerReason::appRunning("com.example.Editor"), TriggerReason::powerAdapter(),
                     TriggerReason::externalDisplay(), TriggerReason::networkActivity(),
                     TriggerReason::cpuUsage(), TriggerReason::wifiNetwork("Office"),
                     TriggerReason::schedule(), TriggerReason::inCall(),
                     TriggerReason::audioPlaying(), TriggerReason::diskActivity()}));
}

TEST_F(TriggerEngineTest, GatesComeFirstAndFreezeTheSustainState) {
  TriggerConfiguration configuration = everythingOn();
  configuration.isEnabled = false;
  EXPECT_EQ(evaluate(configuration, busySample()), TriggerDecision{});

  configuration = everythingOn();
  configuration.onlyWhileOnPower = true;
  configuration.whenOnPowerAdapter = false;
  SystemSample onBattery = busySample();
  onBattery.isOnPowerAdapter = false;
  EXPECT_EQ(evaluate(configuration, onBattery), TriggerDecision{});
  EXPECT_TRUE(evaluate(configuration, busySample()).shouldKeepAwake);

  // A streak begun before the gate closed is neither advanced nor reset by it.
  configuration = enabled();
  configuration.onlyWhileOnPower = true;
  configuration.networkThresholdBytesPerSecond = 1000;
  TriggerEngine engine(configuration, utc());
  SystemSample sample = busySample();
  sample.date = Date(0);
  EXPECT_FALSE(engine.evaluate(sample).shouldKeepAwake);
  sample.date = Date(10);
  sample.isOnPowerAdapter = false;
  sample.networkBytesPerSecond = 0;
  engine.evaluate(sample);
  EXPECT_EQ(engine.networkHysteresis().highStreakStart, Date(0));
  sample.date = Date(30);
  sample.isOnPowerAdapter = true;
  sample.networkBytesPerSecond = 5000;
  EXPECT_EQ(engine.evaluate(sample).reasons, Reasons{TriggerReason::networkActivity()});
}

TEST_F(TriggerEngineTest, AppsMatchIgnoringCaseAndCarryTheConfiguredText) {
  TriggerConfiguration configuration = enabled();
  configuration.appBundleIdentifiers = {"COM.Example.Editor", "com.example.absent",
                                        "com.example.editor"};
  SystemSample sample = sampleAt(0);
  sample.runningBundleIdentifiers = {"com.example.Editor"};
  EXPECT_EQ(evaluate(configuration, sample).reasons,
            (Reasons{TriggerReason::appRunning("COM.Example.Editor"),
                     TriggerReason::appRunning("com.example.editor")}));
}

TEST_F(TriggerEngineTest, FrontmostOnlyAppsCountOnlyWhileFrontmost) {
  TriggerConfiguration configuration = enabled();
  configuration.appBundleIdentifiers = {"com.apple.iWork.Keynote"};
  configuration.frontmostOnlyBundleIdentifiers = {"COM.APPLE.IWORK.KEYNOTE",
                                                  "com.example.NotListed"};
  SystemSample sample = sampleAt(0);
  sample.runningBundleIdentifiers = {"com.apple.iWork.Keynote", "com.example.NotListed"};
  sample.frontmostBundleIdentifier = "com.example.NotListed";
  EXPECT_EQ(evaluate(configuration, sample), TriggerDecision{});
  sample.frontmostBundleIdentifier.reset();
  EXPECT_EQ(evaluate(configuration, sample), TriggerDecision{});
  sample.frontmostBundleIdentifier = "com.apple.iwork.keynote";
  EXPECT_EQ(evaluate(configuration, sample).reasons,
            Reasons{TriggerReason::appRunning("com.apple.iWork.Keynote")});
  // Frontmost but not running counts for nothing.
  sample.runningBundleIdentifiers.clear();
  EXPECT_EQ(evaluate(configuration, sample), TriggerDecision{});
}

TEST_F(TriggerEngineTest, DisplaysWifiAndCallsFollowTheirSimpleRules) {
  TriggerConfiguration configuration = enabled();
  configuration.whenExternalDisplayConnected = true;
  configuration.wifiNetworkNames = {"Office", "Office"};
  configuration.duringCalls = true;
  SystemSample sample = sampleAt(0);

  sample.externalDisplayCount = 0;
  EXPECT_EQ(evaluate(configuration, sample), TriggerDecision{});
  sample.externalDisplayCount = 2;
  sample.wifiNetworkName = "office";  // Network names are exact.
  EXPECT_EQ(evaluate(configuration, sample).reasons, Reasons{TriggerReason::externalDisplay()});

  sample.externalDisplayCount = 0;
  sample.wifiNetworkName = "Office";  // At most one Wi-Fi reason.
  sample.isCameraInUse = true;
  EXPECT_EQ(evaluate(configuration, sample).reasons,
            (Reasons{TriggerReason::wifiNetwork("Office"), TriggerReason::inCall()}));

  configuration.whenOnPowerAdapter = false;
  configuration.whileAudioPlaying = false;
  sample.isCameraInUse = false;
  sample.isOnPowerAdapter = true;
  sample.isAudioPlaying = true;
  sample.wifiNetworkName.reset();
  EXPECT_EQ(evaluate(configuration, sample), TriggerDecision{});
}

TEST_F(TriggerEngineTest, NetworkTimelineWithSustain) {
  TriggerConfiguration configuration = enabled();
  configuration.networkThresholdBytesPerSecond = 1000;
  TriggerEngine engine(configuration, utc());
  const auto at = [&](double t, double value) {
    SystemSample sample = sampleAt(t);
    sample.networkBytesPerSecond = value;
    return engine.evaluate(sample).shouldKeepAwake;
  };
  for (double t = 0; t <= 25; t += 5) EXPECT_FALSE(at(t, 2000)) << t;
  EXPECT_TRUE(at(30, 2000));
  EXPECT_TRUE(at(35, 10));
  EXPECT_EQ(engine.networkHysteresis().lowStreakStart, Date(35));
}

TEST_F(TriggerEngineTest, EveryThresholdAdvancesOnEveryEvaluation) {
  // Matching app and display rules do not stop the threshold rules from counting.
  TriggerConfiguration configuration = enabled();
  configuration.whenExternalDisplayConnected = true;
  configuration.cpuThresholdPercent = 50;
  configuration.diskThresholdBytesPerSecond = 100;
  configuration.sustainSeconds = 10;
  TriggerEngine engine(configuration, utc());
  SystemSample sample = sampleAt(0);
  sample.externalDisplayCount = 1;
  sample.cpuUsagePercent = 80;
  sample.diskBytesPerSecond = 500;
  engine.evaluate(sample);
  sample.date = Date(10);
  EXPECT_EQ(engine.evaluate(sample).reasons,
            (Reasons{TriggerReason::externalDisplay(), TriggerReason::cpuUsage(),
                     TriggerReason::diskActivity()}));
  // An unset threshold leaves its state untouched.
  EXPECT_EQ(engine.networkHysteresis(), ThresholdHysteresis{});
}

TEST_F(TriggerEngineTest, WritingTheConfigurationRestartsTheSustain) {
  TriggerConfiguration configuration = enabled();
  configuration.networkThresholdBytesPerSecond = 1000;
  configuration.cpuThresholdPercent = 10;
  configuration.diskThresholdBytesPerSecond = 10;
  TriggerEngine engine(configuration, utc());
  SystemSample sample = sampleAt(0);
  sample.networkBytesPerSecond = 2000;
  sample.cpuUsagePercent = 50;
  sample.diskBytesPerSecond = 50;
  engine.evaluate(sample);
  sample.date = Date(30);
  EXPECT_EQ(engine.evaluate(sample).reasons.size(), 3u);

  configuration.wifiNetworkNames = {"Elsewhere"};
  engine.setConfiguration(configuration);
  EXPECT_EQ(engine.networkHysteresis(), ThresholdHysteresis{});
  EXPECT_EQ(engine.cpuHysteresis(), ThresholdHysteresis{});
  EXPECT_EQ(engine.diskHysteresis(), ThresholdHysteresis{});
  sample.date = Date(35);
  EXPECT_EQ(engine.evaluate(sample), TriggerDecision{});
  sample.date = Date(65);
  EXPECT_EQ(engine.evaluate(sample).reasons.size(), 3u);
}

TEST_F(TriggerEngineTest, ScheduleUsesTheEnginesCalendar) {
  TriggerConfiguration configuration = enabled();
  configuration.schedule = TriggerSchedule{{2}, 540, 1020};  // Monday 09:00-17:00.
  const double mondayNine = 9 * 3600;                        // 2001-01-01 was a Monday.
  EXPECT_EQ(evaluate(configuration, sampleAt(mondayNine)).reasons,
            Reasons{TriggerReason::schedule()});
  EXPECT_EQ(evaluate(configuration, sampleAt(mondayNine - 60)), TriggerDecision{});

  // The same instant is 04:00 in New York: outside the window.
  TriggerEngine newYork(configuration,
                        platform::Calendar(platform::TimeZone::named("America/New_York").value(),
                                           platform::Locale("en_US")));
  EXPECT_EQ(newYork.evaluate(sampleAt(mondayNine)), TriggerDecision{});
}

}  // namespace
}  // namespace vigilix
