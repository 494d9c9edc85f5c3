#include "triggers/trigger_configuration_json.h"

#include <gtest/gtest.h>

#include <limits>

namespace vigilix {
namespace {

constexpr const char* kDefaultJSON =
    R"({"isEnabled":false,"appBundleIdentifiers":[],"whenOnPowerAdapter":false,)"
    R"("whenExternalDisplayConnected":false,"wifiNetworkNames":[],"sustainSeconds":30,)"
    R"("frontmostOnlyBundleIdentifiers":[],"duringCalls":false,"whileAudioPlaying":false,)"
    R"("onlyWhileOnPower":false,"whileTimeMachineBacksUp":false})";

constexpr const char* kExampleJSON =
    R"({"isEnabled":true,"appBundleIdentifiers":["com.apple.iWork.Keynote"],)"
    R"("whenOnPowerAdapter":false,"whenExternalDisplayConnected":true,)"
    R"("networkThresholdBytesPerSecond":1000000,"wifiNetworkNames":[],)"
    R"("schedule":{"weekdays":[2,3,4,5,6],"startMinute":540,"endMinute":1020},)"
    R"("sustainSeconds":30,"frontmostOnlyBundleIdentifiers":["com.apple.iWork.Keynote"],)"
    R"("duringCalls":true,"whileAudioPlaying":false,"onlyWhileOnPower":true,)"
    R"("whileTimeMachineBacksUp":false})";

TriggerConfiguration example() {
  TriggerConfiguration c;
  c.isEnabled = true;
  c.appBundleIdentifiers = {"com.apple.iWork.Keynote"};
  c.whenExternalDisplayConnected = true;
  c.networkThresholdBytesPerSecond = 1'000'000;
  c.schedule = TriggerSchedule{{2, 3, 4, 5, 6}, 540, 1020};
  c.frontmostOnlyBundleIdentifiers = {"com.apple.iWork.Keynote"};
  c.duringCalls = true;
  c.onlyWhileOnPower = true;
  return c;
}

TriggerConfiguration decoded(std::string_view text) {
  auto result = decodeTriggerConfiguration(text);
  EXPECT_TRUE(result.has_value()) << (result ? "" : result.error().description());
  return result.value_or(TriggerConfiguration{});
}

TEST(TriggerConfigurationJSONTest, DefaultWritesElevenKeysInDeclarationOrder) {
  EXPECT_EQ(encodeTriggerConfiguration(TriggerConfiguration::defaultConfiguration()),
            std::string(kDefaultJSON));
  EXPECT_EQ(decoded(kDefaultJSON), TriggerConfiguration::defaultConfiguration());
}

TEST(TriggerConfigurationJSONTest, EveryFieldRoundTripsInItsPlace) {
  EXPECT_EQ(encodeTriggerConfiguration(example()), std::string(kExampleJSON));
  EXPECT_EQ(decoded(kExampleJSON), example());

  TriggerConfiguration full = example();
  full.whenOnPowerAdapter = true;
  full.cpuThresholdPercent = 42.5;
  full.wifiNetworkNames = {"Office", "Home"};
  full.sustainSeconds = 0.25;
  full.whileAudioPlaying = true;
  full.diskThresholdBytesPerSecond = 1e9;
  full.whileTimeMachineBacksUp = true;
  const auto text = encodeTriggerConfiguration(full);
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(
      *text,
      R"({"isEnabled":true,"appBundleIdentifiers":["com.apple.iWork.Keynote"],)"
      R"("whenOnPowerAdapter":true,"whenExternalDisplayConnected":true,)"
      R"("networkThresholdBytesPerSecond":1000000,"cpuThresholdPercent":42.5,)"
      R"("wifiNetworkNames":["Office","Home"],)"
      R"("schedule":{"weekdays":[2,3,4,5,6],"startMinute":540,"endMinute":1020},)"
      R"("sustainSeconds":0.25,"frontmostOnlyBundleIdentifiers":["com.apple.iWork.Keynote"],)"
      R"("duringCalls":true,"whileAudioPlaying":true,"diskThresholdBytesPerSecond":1000000000,)"
      R"("onlyWhileOnPower":true,"whileTimeMachineBacksUp":true})");
  EXPECT_EQ(decoded(*text), full);
}

TEST(TriggerConfigurationJSONTest, MissingAndNullKeysTakeTheDefaults) {
  EXPECT_EQ(decoded("{}"), TriggerConfiguration::defaultConfiguration());
  EXPECT_EQ(decoded("{}").sustainSeconds, 30);

  TriggerConfiguration immediate;
  immediate.isEnabled = true;
  immediate.sustainSeconds = 0;
  EXPECT_EQ(decoded(R"({"isEnabled":true,"sustainSeconds":0})"), immediate);

  const TriggerConfiguration nulls =
      decoded(R"({"networkThresholdBytesPerSecond":null,"schedule":null,"sustainSeconds":null,)"
              R"("appBundleIdentifiers":null,"isEnabled":null,"futureKey":[1,2]})");
  EXPECT_EQ(nulls, TriggerConfiguration::defaultConfiguration());
  EXPECT_EQ(encodeTriggerConfiguration(nulls), std::string(kDefaultJSON));
}

TEST(TriggerConfigurationJSONTest, AWrongTypeAnywhereFailsTheWholeRecord) {
  for (const char* text : {
           R"({"isEnabled":1})",
           R"({"isEnabled":"true"})",
           R"({"sustainSeconds":true})",
           R"({"networkThresholdBytesPerSecond":"fast"})",
           R"({"appBundleIdentifiers":"com.example.App"})",
           R"({"wifiNetworkNames":["Office",7]})",
           R"({"schedule":[]})",
           R"({"schedule":{"weekdays":[2],"startMinute":540}})",
           R"({"schedule":{"weekdays":[2],"endMinute":540}})",
           R"({"schedule":{"startMinute":1,"endMinute":540}})",
           R"({"schedule":{"weekdays":[2.5],"startMinute":1,"endMinute":540}})",
           R"({"schedule":{"weekdays":[2],"startMinute":"9","endMinute":540}})",
           R"({"schedule":{"weekdays":[2],"startMinute":1,"endMinute":1e300}})",
           R"([])",
           R"(not json)",
       }) {
    EXPECT_FALSE(decodeTriggerConfiguration(std::string_view(text)).has_value()) << text;
  }
}

TEST(TriggerConfigurationJSONTest, ScheduleValuesAreNotRangeChecked) {
  const auto c = decoded(R"({"schedule":{"weekdays":[9,0,2],"startMinute":-5,"endMinute":2000}})");
  EXPECT_EQ(c.schedule, (TriggerSchedule{{0, 2, 9}, -5, 2000}));
}

TEST(TriggerConfigurationJSONTest, DecodesFromStoredBytes) {
  const std::string text = kExampleJSON;
  EXPECT_EQ(decodeTriggerConfiguration(std::vector<std::uint8_t>(text.begin(), text.end())),
            example());
}

TEST(TriggerConfigurationJSONTest, NonFiniteNumbersAreNeitherWrittenNorRead) {
  TriggerConfiguration c;
  c.cpuThresholdPercent = std::numeric_limits<double>::infinity();
  EXPECT_FALSE(encodeTriggerConfiguration(c).has_value());
  c = {};
  c.sustainSeconds = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(encodeTriggerConfiguration(c).has_value());
  EXPECT_FALSE(decodeTriggerConfiguration(std::string_view(R"({"sustainSeconds":1e999})")));
}

TEST(TriggerConfigurationTest, EqualityComparesListsInOrder) {
  TriggerConfiguration a;
  a.appBundleIdentifiers = {"com.a", "com.b"};
  TriggerConfiguration b = a;
  EXPECT_EQ(a, b);
  b.appBundleIdentifiers = {"com.b", "com.a"};
  EXPECT_NE(a, b);
  b = a;
  b.networkThresholdBytesPerSecond = 0;
  EXPECT_NE(a, b);
  b = a;
  a.schedule = TriggerSchedule{{2, 3}, 0, 60};
  b.schedule = TriggerSchedule{{3, 2}, 0, 60};
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace vigilix
