#include "hub/trigger_configuration_store.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testing/captured_log.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

using platform::PropertyValue;

constexpr const char* kStoredJSON = R"({"isEnabled":true,"whenOnPowerAdapter":true})";

platform::Bytes bytes(std::string_view text) { return platform::Bytes(text.begin(), text.end()); }

TEST(TriggerConfigurationStoreTest, LoadReadsDataOrTextAndFallsBackToTheDefaults) {
  struct Row {
    const char* name;
    std::optional<PropertyValue> stored;
    bool enabled;
  };
  const std::vector<Row> rows = {
      {"absent", std::nullopt, false},
      {"JSON as data", PropertyValue(bytes(kStoredJSON)), true},
      {"JSON as text", PropertyValue(kStoredJSON), true},
      {"a number", PropertyValue(std::int64_t{7}), false},
      {"data that is not JSON", PropertyValue(bytes("{\"isEnabled\":")), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestUserDefaults defaults;
    if (row.stored) defaults.set(kTriggersDefaultsKey, *row.stored);

    const TriggerConfiguration loaded = VGXTriggerConfigurationStore::load(defaults);

    EXPECT_EQ(loaded.isEnabled, row.enabled);
    EXPECT_EQ(loaded.whenOnPowerAdapter, row.enabled);
    EXPECT_EQ(defaults.object(kTriggersDefaultsKey), row.stored) << "a load writes nothing";
  }
}

TEST(TriggerConfigurationStoreTest, SaveWritesDataThatLoadsBackAndRefusesWhatCannotBeEncoded) {
  testing::TestUserDefaults defaults;
  testing::CapturedLog log;
  TriggerConfiguration configuration;
  configuration.isEnabled = true;
  configuration.cpuThresholdPercent = 55;

  VGXTriggerConfigurationStore::save(configuration, defaults);
  ASSERT_TRUE(defaults.dataValue(kTriggersDefaultsKey));
  EXPECT_EQ(VGXTriggerConfigurationStore::load(defaults), configuration);

  TriggerConfiguration broken = configuration;
  broken.sustainSeconds = std::numeric_limits<double>::infinity();
  VGXTriggerConfigurationStore::save(broken, defaults);
  EXPECT_EQ(VGXTriggerConfigurationStore::load(defaults), configuration);
  EXPECT_TRUE(log.containsFragment("Failed to encode trigger configuration: "));
}

}  // namespace
}  // namespace vigilix
