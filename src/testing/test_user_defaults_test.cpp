#include "testing/test_user_defaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

using platform::kAppGroupSuite;
using platform::kStandardDomain;
using platform::PropertyDictionary;
using platform::PropertyValue;
using platform::UserDefaults;
using ::testing::Optional;

TEST(TestDefaultsEnvironment, SharedInstancesAreInMemoryAndForgottenAfterwards) {
  {
    TestPlatform platform;
    EXPECT_EQ(&platform.defaults.standard(), &UserDefaults::standard());
    platform.defaults.standard().set("run.tarvo.vigilix.ActivateOnLaunch", true);
    platform.defaults.suite(kAppGroupSuite)->set("k", 1);
    EXPECT_THAT(UserDefaults::suite(kAppGroupSuite)->object("k"), Optional(PropertyValue(1)));
  }
  TestPlatform platform;
  EXPECT_EQ(platform.defaults.standard().object("run.tarvo.vigilix.ActivateOnLaunch"),
            std::nullopt);
  EXPECT_EQ(platform.defaults.suite(kAppGroupSuite)->object("k"), std::nullopt);
}

TEST(TestDefaultsEnvironment, AnotherInstanceSharesTheStorage) {
  TestPlatform platform;
  auto extension = platform.defaults.makeInstance(kAppGroupSuite);
  extension->set("run.tarvo.vigilix.ControlRequest", PropertyDictionary{{"value", true}});
  auto app = UserDefaults::suite(kAppGroupSuite);
  app->synchronize();
  EXPECT_TRUE(app->dictionaryValue("run.tarvo.vigilix.ControlRequest").has_value());
  EXPECT_NE(app.get(), extension.get());
}

TEST(TestDefaultsEnvironment, UnavailableSuiteOpensAsNullUntilMadeAvailable) {
  TestPlatform platform;
  platform.defaults.setSuiteUnavailable(kAppGroupSuite);
  EXPECT_EQ(UserDefaults::suite(kAppGroupSuite), nullptr);
  EXPECT_NE(UserDefaults::suite("other.suite"), nullptr);
  platform.defaults.setSuiteUnavailable(kAppGroupSuite, false);
  EXPECT_NE(UserDefaults::suite(kAppGroupSuite), nullptr);
}

TEST(TestUserDefaults, ForcedValuesShowAtOnceHereAndElsewhereOnSynchronize) {
  auto storage = std::make_shared<TestDefaultsStorage>();
  TestUserDefaults admin(kStandardDomain, storage);
  TestUserDefaults other(kStandardDomain, storage);
  admin.setForced("VGXDisableAgentHooks", true);
  EXPECT_TRUE(admin.objectIsForced("VGXDisableAgentHooks"));
  EXPECT_FALSE(other.objectIsForced("VGXDisableAgentHooks"));
  other.synchronize();
  EXPECT_TRUE(other.objectIsForced("VGXDisableAgentHooks"));

  admin.removeForced("VGXDisableAgentHooks");
  EXPECT_FALSE(admin.objectIsForced("VGXDisableAgentHooks"));
  admin.setAnyUserValue("VGXStopWhenHot", false);
  EXPECT_THAT(admin.anyUserValue("VGXStopWhenHot"), Optional(PropertyValue(false)));
  admin.removeAnyUserValue("VGXStopWhenHot");
  EXPECT_EQ(admin.anyUserValue("VGXStopWhenHot"), std::nullopt);
}

}  // namespace
}  // namespace vigilix::testing
