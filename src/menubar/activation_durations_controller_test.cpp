#include "menubar/activation_durations_controller.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <limits>

#include "core/dzl_keys.h"
#include "platform/notifications/notification_center.h"
#include "testing/captured_log.h"
#include "testing/test_platform.h"

namespace vigilix {
namespace {

using platform::PropertyArray;
using platform::PropertyValue;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::vector<double> kDefaultList{300, 600, 900, 1800, 3600, 7200, 18000};

std::vector<double> secondsOf(const std::vector<DZLActivationDuration>& durations) {
  std::vector<double> seconds;
  for (const auto& duration : durations) seconds.push_back(duration.seconds());
  return seconds;
}

class ActivationDurationsControllerTest : public ::testing::Test {
 protected:
  DZLActivationDurationsController& make(const PropertyValue& stored) {
    defaults.set(kDZLDurationsKey, stored);
    controller.emplace(defaults);
    token = platform::NotificationCenter::defaultCenter().addObserver(
        kDZLActivationDurationsDidChangeNotification, &*controller, nullptr,
        [this](const platform::Notification&) { ++posts; });
    return *controller;
  }
  std::optional<PropertyValue> saved() const { return defaults.object(kDZLDurationsKey); }
  std::vector<double> savedSeconds() const {
    std::vector<double> seconds;
    for (const auto& element : defaults.arrayValue(kDZLDurationsKey).value_or(PropertyArray{})) {
      seconds.push_back(element.isReal()
                            ? std::get<double>(element.value)
                            : static_cast<double>(std::get<std::int64_t>(element.value)));
    }
    return seconds;
  }
  double defaultSeconds() const { return DZLKeys::dzl_defaultTimeInterval(defaults); }

  testing::TestPlatform platform;
  platform::UserDefaults& defaults = platform::UserDefaults::standard();
  std::optional<DZLActivationDurationsController> controller;
  platform::ObserverHandle token;
  int posts = 0;
};

TEST_F(ActivationDurationsControllerTest, LoadingKeepsOnlyWholePositiveFirstEntries) {
  struct Row {
    const char* name;
    std::optional<PropertyValue> stored;
    std::vector<double> loaded;
    bool writtenBack;
  };
  const Row rows[] = {
      {"missing", std::nullopt, kDefaultList, true},
      {"empty", PropertyArray{}, kDefaultList, true},
      {"not a list", PropertyValue("3600"), kDefaultList, true},
      {"the user's order", PropertyArray{3600, 600}, {3600, 600}, false},
      {"fractions dropped, bad entries and repeats too, huge ones clamped",
       PropertyArray{600.9, 0, -300, kNaN, 600, "900", true, 1e300,
                     std::numeric_limits<std::int64_t>::max(), "inf", 1.5},
       {600, 900, 9223372036854774784.0, 1},
       false},
      {"nothing usable", PropertyArray{0, -1.0, kNaN, 0.5}, kDefaultList, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::TestUserDefaults stored;
    if (row.stored) stored.set(kDZLDurationsKey, *row.stored);
    const DZLActivationDurationsController loaded(stored);
    EXPECT_THAT(secondsOf(loaded.storedActivationDurations()), ElementsAreArray(row.loaded));
    if (row.writtenBack) {
      EXPECT_EQ(stored.object(kDZLDurationsKey),
                PropertyValue(PropertyArray(kDefaultList.begin(), kDefaultList.end())));
    } else {
      // As text: a stored NaN is never equal to itself.
      EXPECT_EQ(platform::debugDescription(*stored.object(kDZLDurationsKey)),
                platform::debugDescription(*row.stored));
    }
  }
}

TEST_F(ActivationDurationsControllerTest, TheListShowsIndefiniteFirstAndSortsBySeconds) {
  auto& durations = make(PropertyArray{3600, 600});
  EXPECT_THAT(secondsOf(durations.activationDurations()), ElementsAre(0, 600, 3600));
  EXPECT_FALSE(durations.canRemoveActivationDurationAtIndex(0));
  EXPECT_TRUE(durations.canRemoveActivationDurationAtIndex(2));
  EXPECT_FALSE(durations.canRemoveActivationDurationAtIndex(3));
  EXPECT_FALSE(durations.removeActivationDurationAtIndex(0));
}

TEST_F(ActivationDurationsControllerTest, ChangesSaveAndNotifyAndKeepTheDefaultSound) {
  auto& list = make(PropertyArray{3600, 600});
  using D = DZLActivationDuration;
  struct Step {
    const char* name;
    std::function<bool()> change;
    bool result;
    std::vector<double> stored;
    double defaultAfter;
    int postsAfter;
  };
  // clang-format off
  const Step steps[] = {
      {"a repeat is refused silently", [&] { return list.addActivationDuration(D(600)); },
       false, {3600, 600}, 0, 0},
      {"what cannot be stored is refused", [&] { return list.addActivationDuration(D(90.5)); },
       false, {3600, 600}, 0, 0},
      {"a new one is appended", [&] { return list.addActivationDuration(D(1200)); },
       true, {3600, 600, 1200}, 0, 1},
      {"the default is one of them", [&] { return list.setDefaultActivationDuration(D(1200)); },
       true, {3600, 600, 1200}, 1200, 2},
      {"another is refused", [&] { return list.setDefaultActivationDuration(D(45)); },
       false, {3600, 600, 1200}, 1200, 2},
      {"removing another keeps the default", [&] { return list.removeActivationDuration(D(3600)); },
       true, {600, 1200}, 1200, 3},
      {"removing the default: indefinite", [&] { return list.removeActivationDurationAtIndex(2); },
       true, {600}, 0, 4},
      {"out of range: nothing", [&] { list.setActivationDurationAsDefaultAtIndex(2); return true; },
       true, {600}, 0, 4},
      {"by index", [&] { list.setActivationDurationAsDefaultAtIndex(1); return true; },
       true, {600}, 600, 5},
      {"a reset keeps a default in the list", [&] { list.resetActivationDurations(); return true; },
       true, kDefaultList, 600, 6},
  };
  // clang-format on
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(step.change(), step.result);
    EXPECT_THAT(secondsOf(list.storedActivationDurations()), ElementsAreArray(step.stored));
    EXPECT_THAT(savedSeconds(), ElementsAreArray(step.stored));
    EXPECT_EQ(defaultSeconds(), step.defaultAfter);
    EXPECT_EQ(posts, step.postsAfter);
  }
  // Saved as reals, in the stored order.
  EXPECT_EQ(saved(), PropertyValue(PropertyArray(kDefaultList.begin(), kDefaultList.end())));
  DZLKeys::setDzl_defaultTimeInterval(defaults, 45);
  EXPECT_EQ(list.defaultActivationDuration(), std::nullopt);
  list.resetActivationDurations();
  EXPECT_EQ(defaultSeconds(), 0);
  EXPECT_EQ(list.defaultActivationDuration(), DZLActivationDuration(0));
}

}  // namespace
}  // namespace vigilix
