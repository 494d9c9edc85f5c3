#include "core/dzl_keys.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/dzl_version.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix {
namespace {

class DZLKeysTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform;
  testing::TestUserDefaults defaults;
};

TEST_F(DZLKeysTest, BooleansReadFalseWhenMissingAndRoundTripUnderTheirKeys) {
  struct Accessor {
    const char* key;
    bool (*get)(const platform::UserDefaults&);
    void (*set)(platform::UserDefaults&, bool);
  };
  const Accessor accessors[] = {
      {"run.tarvo.vigilix.ActivateOnLaunch", DZLKeys::dzl_isActivatedOnLaunch,
       DZLKeys::setDzl_activateOnLaunch},
      {"run.tarvo.vigilix.AllowDisplaySleep", DZLKeys::dzl_shouldAllowDisplaySleep,
       DZLKeys::setDzl_allowDisplaySleep},
      {"run.tarvo.vigilix.MenuBarIconHighlightDisabled",
       DZLKeys::dzl_isMenuBarIconHighlightDisabled, DZLKeys::setDzl_menuBarIconHighlightDisabled},
      {"run.tarvo.vigilix.PreReleaseUpdatesEnabled", DZLKeys::dzl_arePreReleaseUpdatesEnabled,
       DZLKeys::setDzl_preReleaseUpdatesEnabled},
      {"run.tarvo.vigilix.IsQuitOnTimerExpirationEnabled",
       DZLKeys::dzl_isQuitOnTimerExpirationEnabled, DZLKeys::setDzl_quitOnTimerExpirationEnabled},
      {"run.tarvo.vigilix.ActivateOnExternalDisplayConnectedEnabled",
       DZLKeys::dzl_isActivateOnExternalDisplayConnectedEnabled,
       DZLKeys::setDzl_activateOnExternalDisplayConnectedEnabled},
      {"run.tarvo.vigilix.DeactivateOnUserSwitchEnabled",
       DZLKeys::dzl_isDeactivateOnUserSwitchEnabled, DZLKeys::setDzl_deactivateOnUserSwitchEnabled},
      {"run.tarvo.vigilix.BatteryCapacityThresholdEnabled",
       DZLKeys::dzl_isBatteryCapacityThresholdEnabled,
       DZLKeys::setDzl_batteryCapacityThresholdEnabled},
      {"run.tarvo.vigilix.LowPowerModeMonitoringEnabled",
       DZLKeys::dzl_isLowPowerModeMonitoringEnabled, DZLKeys::setDzl_lowPowerModeMonitoringEnabled},
      {"run.tarvo.vigilix.ClickToKeepAwake", DZLKeys::dzl_clickToKeepAwake,
       DZLKeys::setDzl_clickToKeepAwake},
  };
  for (const auto& accessor : accessors) {
    SCOPED_TRACE(accessor.key);
    EXPECT_FALSE(accessor.get(defaults));
    accessor.set(defaults, true);
    EXPECT_EQ(defaults.userValue(accessor.key), platform::PropertyValue(true));
    EXPECT_TRUE(accessor.get(defaults));
    accessor.set(defaults, false);
    EXPECT_FALSE(accessor.get(defaults));
    // A profile's number reads as the platform reads it: 0 false, else true.
    for (const auto& [stored, expected] : {std::pair<platform::PropertyValue, bool>{1, true},
                                           {0, false},
                                           {-2, true},
                                           {0.0, false},
                                           {"YES", false}}) {
      SCOPED_TRACE(platform::debugDescription(stored));
      defaults.setForced(accessor.key, stored);
      EXPECT_EQ(accessor.get(defaults), expected);
      defaults.set(accessor.key, stored);
      defaults.removeForced(accessor.key);
      EXPECT_EQ(accessor.get(defaults), expected);
    }
  }
}

TEST_F(DZLKeysTest, RegisteredDefaultApplies) {
  defaults.registerDefaults({{kDZLAllowDisplaySleepKey, true}});
  EXPECT_TRUE(DZLKeys::dzl_shouldAllowDisplaySleep(defaults));
}

TEST_F(DZLKeysTest, BatteryThresholdNeverReadsBelowTen) {
  EXPECT_EQ(DZLKeys::dzl_batteryCapacityThreshold(defaults), 10.0);
  defaults.set(kDZLBatteryCapacityThresholdKey, 5.0);
  EXPECT_EQ(DZLKeys::dzl_batteryCapacityThreshold(defaults), 10.0);
  defaults.set(kDZLBatteryCapacityThresholdKey, 25.0);
  EXPECT_EQ(DZLKeys::dzl_batteryCapacityThreshold(defaults), 25.0);
  defaults.set(kDZLBatteryCapacityThresholdKey, std::int64_t{40});
  EXPECT_EQ(DZLKeys::dzl_batteryCapacityThreshold(defaults), 40.0);
  defaults.set(kDZLBatteryCapacityThresholdKey, std::nan(""));
  EXPECT_EQ(DZLKeys::dzl_batteryCapacityThreshold(defaults), 10.0);
}

TEST_F(DZLKeysTest, BatteryThresholdIsStoredInSinglePrecisionAndRefusesNonFinite) {
  EXPECT_TRUE(DZLKeys::setDzl_batteryCapacityThreshold(defaults, 33.3));
  EXPECT_EQ(defaults.userValue(kDZLBatteryCapacityThresholdKey),
            platform::PropertyValue(static_cast<double>(33.3f)));
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e300}) {
    EXPECT_FALSE(DZLKeys::setDzl_batteryCapacityThreshold(defaults, bad));
  }
  EXPECT_EQ(defaults.userValue(kDZLBatteryCapacityThresholdKey),
            platform::PropertyValue(static_cast<double>(33.3f)));
}

TEST_F(DZLKeysTest, DefaultTimeIntervalIsWholeSecondsTruncatedTowardsZero) {
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 0.0) << "missing means indefinite";
  EXPECT_TRUE(DZLKeys::setDzl_defaultTimeInterval(defaults, 1799.9));
  EXPECT_EQ(defaults.userValue(kDZLTimeIntervalKey), platform::PropertyValue(std::int64_t{1799}));
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 1799.0);
  EXPECT_TRUE(DZLKeys::setDzl_defaultTimeInterval(defaults, -0.5));
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 0.0);
}

TEST_F(DZLKeysTest, DefaultTimeIntervalStoredAsARealReadsAsWholeSeconds) {
  defaults.set(kDZLTimeIntervalKey, 1800.5);
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 1800.0) << "not indefinite";
  defaults.set(kDZLTimeIntervalKey, std::numeric_limits<double>::infinity());
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 0.0);
  defaults.set(kDZLTimeIntervalKey, "600");
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 0.0) << "text is no number";
}

TEST_F(DZLKeysTest, DefaultTimeIntervalRefusesWhatAnIntegerCannotHold) {
  ASSERT_TRUE(DZLKeys::setDzl_defaultTimeInterval(defaults, 3600));
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::infinity(), 1e19, -1e19}) {
    EXPECT_FALSE(DZLKeys::setDzl_defaultTimeInterval(defaults, bad)) << bad;
  }
  EXPECT_EQ(DZLKeys::dzl_defaultTimeInterval(defaults), 3600.0);
}

TEST(DZLVersionTest, ReadsTheInformationDictionary) {
  const platform::PropertyDictionary info{
      {"CFBundleShortVersionString", "2.4.1"},
      {"CFBundleVersion", "812"},
      {"NSHumanReadableCopyright", "Copyright 2026"},
  };
  EXPECT_EQ(DZLVersion::dzl_shortVersionString(info), "2.4.1");
  EXPECT_EQ(DZLVersion::dzl_buildVersionString(info), "812");
  EXPECT_EQ(DZLVersion::dzl_fullVersionString(info), "2.4.1 (812)");
  EXPECT_EQ(DZLVersion::dzl_localizedCopyrightString(info), "Copyright 2026");
}

TEST(DZLVersionTest, MissingOrNonTextEntriesGiveNone) {
  const platform::PropertyDictionary info{{"CFBundleVersion", std::int64_t{812}}};
  EXPECT_EQ(DZLVersion::dzl_shortVersionString(info), std::nullopt);
  EXPECT_EQ(DZLVersion::dzl_buildVersionString(info), std::nullopt);
  EXPECT_EQ(DZLVersion::dzl_fullVersionString(info), " ()");
  EXPECT_EQ(DZLVersion::dzl_localizedCopyrightString({}), std::nullopt);
}

}  // namespace
}  // namespace vigilix
