#include "platform/defaults/user_defaults.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/defaults/shared_defaults.h"
#include "testing/test_platform.h"
#include "testing/test_user_defaults.h"

namespace vigilix::platform {
namespace {

using ::testing::Optional;

class TypedGettersTest : public ::testing::Test {
 protected:
  testing::TestUserDefaults defaults;
};

TEST_F(TypedGettersTest, BooleansReadNumbersAndNumbersNeverReadBooleans) {
  struct Row {
    const char* name;
    PropertyValue stored;
    std::optional<bool> expected;
  };
  const Row rows[] = {
      {"true", true, true},
      {"false", false, false},
      {"integer 1", 1, true},
      {"integer 0", 0, false},
      {"integer 2", 2, true},
      {"negative", -1, true},
      {"real 0", 0.0, false},
      {"fraction", 0.5, true},
      {"not a number", std::nan(""), std::nullopt},
      {"text", "true", std::nullopt},
      {"data", Bytes{1}, std::nullopt},
      {"date", Date(1), std::nullopt},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    defaults.set("k", row.stored);
    EXPECT_EQ(defaults.boolValue("k"), row.expected);
  }
  defaults.set("flag", true);
  EXPECT_EQ(defaults.integerValue("flag"), std::nullopt);
  EXPECT_EQ(defaults.doubleValue("flag"), std::nullopt);
  EXPECT_EQ(defaults.boolValue("missing"), std::nullopt);
}

TEST_F(TypedGettersTest, IntegerReadsAsRealAndIntegralRealAsInteger) {
  defaults.set("n", std::int64_t{-1800});
  defaults.set("whole", 1800.0);
  defaults.set("fraction", 1799.9);
  defaults.set("huge", 1e19);
  defaults.set("limit", 9223372036854775808.0);  // 2^63: one past the largest integer
  defaults.set("nan", std::nan(""));
  EXPECT_THAT(defaults.doubleValue("n"), Optional(-1800.0));
  EXPECT_THAT(defaults.integerValue("n"), Optional(-1800));
  EXPECT_THAT(defaults.integerValue("whole"), Optional(1800));
  EXPECT_EQ(defaults.integerValue("fraction"), std::nullopt);
  EXPECT_THAT(defaults.doubleValue("fraction"), Optional(1799.9));
  EXPECT_EQ(defaults.integerValue("huge"), std::nullopt);
  EXPECT_EQ(defaults.integerValue("limit"), std::nullopt);
  EXPECT_EQ(defaults.integerValue("nan"), std::nullopt);
  defaults.set("lowest", -9223372036854775808.0);
  EXPECT_THAT(defaults.integerValue("lowest"), Optional(std::numeric_limits<std::int64_t>::min()));
}

TEST_F(TypedGettersTest, EachKindAnswersOnlyItsOwnGetter) {
  defaults.set("text", "1");
  defaults.set("data", Bytes{0x31});
  defaults.set("list", PropertyArray{1, "a"});
  defaults.set("map", PropertyDictionary{{"k", false}});
  defaults.set("when", Date(5));

  EXPECT_THAT(defaults.stringValue("text"), Optional(std::string("1")));
  EXPECT_EQ(defaults.integerValue("text"), std::nullopt);
  EXPECT_EQ(defaults.dataValue("text"), std::nullopt);
  EXPECT_THAT(defaults.dataValue("data"), Optional(Bytes{0x31}));
  EXPECT_EQ(defaults.stringValue("data"), std::nullopt);
  EXPECT_THAT(defaults.arrayValue("list"), Optional(PropertyArray{1, "a"}));
  EXPECT_EQ(defaults.dictionaryValue("list"), std::nullopt);
  EXPECT_THAT(defaults.dictionaryValue("map"), Optional(PropertyDictionary{{"k", false}}));
  EXPECT_EQ(defaults.arrayValue("map"), std::nullopt);
  EXPECT_EQ(defaults.doubleValue("when"), std::nullopt);
  EXPECT_THAT(defaults.object("when"), Optional(PropertyValue(Date(5))));
  EXPECT_EQ(defaults.boolValue("missing"), std::nullopt);
}

TEST_F(TypedGettersTest, GettersReadTheValueInForce) {
  defaults.registerDefaults({{"run.tarvo.vigilix.AllowDisplaySleep", true}});
  defaults.set("run.tarvo.vigilix.AllowDisplaySleep", "yes");  // wrong kind from the user
  EXPECT_EQ(defaults.boolValue("run.tarvo.vigilix.AllowDisplaySleep"), std::nullopt);
  defaults.setForced("run.tarvo.vigilix.AllowDisplaySleep", false);
  EXPECT_THAT(defaults.boolValue("run.tarvo.vigilix.AllowDisplaySleep"), Optional(false));
}

class SharedDefaultsTest : public ::testing::Test {
 protected:
  testing::TestPlatform platform;
};

TEST_F(SharedDefaultsTest, StandardAndSuitesAreSharedPerName) {
  auto& standard = UserDefaults::standard();
  EXPECT_EQ(&standard, &platform.defaults.standard());
  EXPECT_EQ(&standard, &UserDefaults::standard());
  EXPECT_EQ(standard.domain(), "run.tarvo.vigilix");

  auto group = UserDefaults::suite(kAppGroupSuite);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group, UserDefaults::suite(kAppGroupSuite));
  EXPECT_EQ(group->domain(), "K9WQ2T7LMB.run.tarvo.vigilix");
  EXPECT_NE(group.get(), &standard);
  EXPECT_NE(UserDefaults::suite("other"), group);
}

TEST_F(SharedDefaultsTest, SuiteNamesThatCannotBeOpened) {
  EXPECT_EQ(UserDefaults::suite(""), nullptr);
  EXPECT_EQ(UserDefaults::suite(kStandardDomain), nullptr);
  EXPECT_EQ(UserDefaults::suite("NSGlobalDomain"), nullptr);
}

TEST_F(SharedDefaultsTest, ResetMakesFreshInstancesAndKeepsOldReferencesValid) {
  UserDefaults& held = UserDefaults::standard();
  held.set("k", 1);
  std::weak_ptr<UserDefaults> group = UserDefaults::suite(kAppGroupSuite);
  shared_defaults::reset();
  EXPECT_NE(UserDefaults::suite(kAppGroupSuite), group.lock());
  EXPECT_NE(&UserDefaults::standard(), &held);
  // Something torn down after the reset may still use what it was given.
  EXPECT_THAT(held.integerValue("k"), Optional(1));
  EXPECT_FALSE(group.expired());
  shared_defaults::reset();
  EXPECT_TRUE(group.expired());
}

TEST_F(SharedDefaultsTest, WritesFromManyThreadsAllLand) {
  auto& defaults = UserDefaults::standard();
  std::atomic<int> posts{0};
  std::mutex threadsMutex;
  std::set<std::thread::id> postingThreads;
  auto token = NotificationCenter::defaultCenter().addObserver(
      kUserDefaultsDidChangeNotification, &defaults, nullptr, [&](const Notification&) {
        posts.fetch_add(1);
        std::lock_guard lock(threadsMutex);
        postingThreads.insert(std::this_thread::get_id());
      });
  constexpr int kThreads = 4;
  constexpr int kKeys = 50;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&defaults, t] {
      for (int i = 0; i < kKeys; ++i) {
        const std::string key = "k" + std::to_string(t) + "." + std::to_string(i);
        defaults.set(key, i);
        (void)defaults.integerValue(key);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(posts.load(), kThreads * kKeys);
  EXPECT_EQ(postingThreads.size(), static_cast<std::size_t>(kThreads));  // each writer's own
  EXPECT_FALSE(postingThreads.contains(std::this_thread::get_id()));
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_THAT(defaults.integerValue("k" + std::to_string(t) + ".49"), Optional(49));
  }
}

}  // namespace
}  // namespace vigilix::platform
