#include "testing/test_user_defaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/test_platform.h"

namespace vigilix::testing {
namespace {

using platform::PropertyValue;
using platform::UserDefaults;
using ::testing::Optional;

TEST(TestDefaultsEnvironment, SharedInstancesAreInMemoryAndForgottenAfterwards) {
  {
    TestPlatform platform;
    TestDefaultsEnvironment environment;
    EXPECT_EQ(&environment.standard(), &UserDefaults::standard());
    environment.standard().set("run.tarvo.vigilix.ActivateOnLaunch", true);
    environment.suite(platform::kAppGroupSuite)->set("k", 1);
    EXPECT_THAT(UserDefaults::suite(platform::kAppGroupSuite)->object("k"),
                Optional(PropertyValue(1)));
  }
  TestPlatform platform;
  TestDefaultsEnvironment environment;
  EXPECT_EQ(environment.standard().object("run.tarvo.vigilix.ActivateOnLaunch"), std::nullopt);
  EXPECT_EQ(environment.suite(platform::kAppGroupSuite)->object("k"), std::nullopt);
}

TEST(TestDefaultsEnvironment, AnotherInstanceSharesTheStorage) {
  TestPlatform platform;
  TestDefaultsEnvironment environment;
  auto extension = environment.makeInstance(platform::kAppGroupSuite);
  extension->set("run.tarvo.vigilix.ControlRequest", platform::PropertyDictionary{{"value", true}});
  auto app = UserDefaults::suite(platform::kAppGroupSuite);
  app->synchronize();
  EXPECT_TRUE(app->dictionaryValue("run.tarvo.vigilix.ControlRequest").has_value());
  EXPECT_NE(app.get(), extension.get());
}

TEST(TestDefaultsEnvironment, UnavailableSuiteOpensAsNullUntilMadeAvailable) {
  TestPlatform platform;
  TestDefaultsEnvironment environment;
  environment.setSuiteUnavailable(platform::kAppGroupSuite);
  EXPECT_EQ(UserDefaults::suite(platform::kAppGroupSuite), nullptr);
  EXPECT_NE(UserDefaults::suite("other.suite"), nullptr);
  environment.setSuiteUnavailable(platform::kAppGroupSuite, false);
  EXPECT_NE(UserDefaults::suite(platform::kAppGroupSuite), nullptr);
}

TEST(TestUserDefaults, ForcedValuesShowAtOnceHereAndElsewhereOnSynchronize) {
  auto storage = std::make_shared<TestDefaultsStorage>();
  TestUserDefaults admin(platform::kStandardDomain, storage);
  TestUserDefaults other(platform::kStandardDomain, storage);
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
