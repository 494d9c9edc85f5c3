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

TriggerConfiguration full() {
  TriggerConfiguration c = example();
  c.whenOnPowerAdapter = true;
  c.cpuThresholdPercent = 42.5;
  c.wifiNetworkNames = {"Office", "Home"};
  c.sustainSeconds = 0.25;
  c.whileAudioPlaying = true;
  c.diskThresholdBytesPerSecond = 1e9;
  c.whileTimeMachineBacksUp = true;
  return c;
}

TriggerConfiguration withSchedule(TriggerSchedule schedule) {
  TriggerConfiguration c;
  c.schedule = std::move(schedule);
  return c;
}

// Each value writes exactly its literal, and the literal reads back as the value.
TEST(TriggerConfigurationJSONTest, GoldenRowsRoundTrip) {
  struct Row {
    const char* name;
    TriggerConfiguration value;
    std::string literal;
  };
  const std::string defaultTail =
      R"("sustainSeconds":30,"frontmostOnlyBundleIdentifiers":[],"duringCalls":false,)"
      R"("whileAudioPlaying":false,"onlyWhileOnPower":false,"whileTimeMachineBacksUp":false})";
  const std::string defaultHead =
      R"({"isEnabled":false,"appBundleIdentifiers":[],"whenOnPowerAdapter":false,)"
      R"("whenExternalDisplayConnected":false,"wifiNetworkNames":[],)";
  const Row rows[] = {
      {"default: the eleven keys in declaration order",
       TriggerConfiguration::defaultConfiguration(), kDefaultJSON},
      {"the stored example", example(), kExampleJSON},
      {"every field in its place", full(),
       R"({"isEnabled":true,"appBundleIdentifiers":["com.apple.iWork.Keynote"],)"
       R"("whenOnPowerAdapter":true,"whenExternalDisplayConnected":true,)"
       R"("networkThresholdBytesPerSecond":1000000,"cpuThresholdPercent":42.5,)"
       R"("wifiNetworkNames":["Office","Home"],)"
       R"("schedule":{"weekdays":[2,3,4,5,6],"startMinute":540,"endMinute":1020},)"
       R"("sustainSeconds":0.25,"frontmostOnlyBundleIdentifiers":["com.apple.iWork.Keynote"],)"
       R"("duringCalls":true,"whileAudioPlaying":true,"diskThresholdBytesPerSecond":1000000000,)"
       R"("onlyWhileOnPower":true,"whileTimeMachineBacksUp":true})"},
      {"schedule values out of range are kept", withSchedule({{0, 2, 9}, -5, 2000}),
       defaultHead + R"("schedule":{"weekdays":[0,2,9],"startMinute":-5,"endMinute":2000},)" +
           defaultTail},
      // Beyond 32 bits: one such number must not throw away the whole configuration.
      {"schedule values beyond 32 bits are kept exactly",
       withSchedule({{2, 4294967296}, -9223372036854775807 - 1, 9223372036854775807}),
       defaultHead +
           R"("schedule":{"weekdays":[2,4294967296],"startMinute":-9223372036854775808,)"
           R"("endMinute":9223372036854775807},)" +
           defaultTail},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(encodeTriggerConfiguration(row.value), row.literal);
    EXPECT_EQ(decoded(row.literal), row.value);
  }
}

// Missing keys, nulls and unknown keys read as the defaults.
TEST(TriggerConfigurationJSONTest, ReadingRowsApplyTheDefaults) {
  TriggerConfiguration immediate;
  immediate.isEnabled = true;
  immediate.sustainSeconds = 0;
  struct Row {
    const char* name;
    std::string literal;
    TriggerConfiguration value;
  };
  const Row rows[] = {
      {"empty object", "{}", TriggerConfiguration::defaultConfiguration()},
      {"sustain zero", R"({"isEnabled":true,"sustainSeconds":0})", immediate},
      {"nulls and an unknown key",
       R"({"networkThresholdBytesPerSecond":null,"schedule":null,"sustainSeconds":null,)"
       R"("appBundleIdentifiers":null,"isEnabled":null,"futureKey":[1,2]})",
       TriggerConfiguration::defaultConfiguration()},
      {"weekdays in any order, repeated",
       R"({"schedule":{"weekdays":[9,0,2,2],"startMinute":-5,"endMinute":2000}})",
       withSchedule({{0, 2, 9}, -5, 2000})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(decoded(row.literal), row.value);
  }
  EXPECT_EQ(decoded("{}").sustainSeconds, 30);
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
           R"({"schedule":{"weekdays":[2],"startMinute":9223372036854775808,"endMinute":1}})",
           R"([])",
           R"(not json)",
       }) {
    EXPECT_FALSE(decodeTriggerConfiguration(std::string_view(text)).has_value()) << text;
  }
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
